// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

#include <cmath>

#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

double screenWidthPixels(const DrawingState& s) { return s.screenWidthTwips / 15; }
double screenHeightPixels(const DrawingState& s) { return s.screenHeightTwips / 15; }

void foreColourFromShade(StrokeContext& ctx)
{
    const auto& shade = ctx.state.shadeLevel;
    ctx.canvas.setForeColor(joinColour(shade[0], shade[1], shade[2]));
}

// A level reflected back and forth between 0 and 256 with a period of 512:
// 0..255 stay, 256 stays (shown as 255), 300 gives 212, 512 gives 0. Both the
// position in the period and the direction come from the rounded level, so a
// fractional level just below 256 does not flip to the dark end.
double reflectedLevel(double v)
{
    const int whole = roundHalfEven(v);
    const int inPeriod = ((whole % 512) + 512) % 512;
    const int a = inPeriod % 256;
    const int descending = inPeriod / 256;
    return a + descending * (256 - 2 * a);
}

// Sets the shade for ring i: every component moved 20 * (25 - i) along the
// reflecting scale from the current colour.
void ringShade(StrokeContext& ctx, int i)
{
    DrawingState& s = ctx.state;
    for (int j = 1; j <= 3; ++j)
        s.shadeLevel[j - 1] = reflectedLevel(s.component(j) + 20 * (25 - i));
    foreColourFromShade(ctx);
}

} // namespace

// Brush 33: 25 rings from the outside in, each in a colour band further along
// the reflecting scale, then a filled centre dot. Leaves the fill style
// transparent.
StepResult bandedRings(StrokeContext& ctx, double& x, double& y)
{
    Canvas& canvas = ctx.canvas;
    const int T = pressedThickness(ctx);
    canvas.setFillStyle(Canvas::Transparent);
    {
        Canvas::CircleBatch rings(canvas);
        for (int i = 25; i >= 1; --i) {
            ringShade(ctx, i);
            canvas.circle(x, y, std::floor(i * T / 3.0));
        }
    }
    canvas.setFillStyle(Canvas::Solid);
    ringShade(ctx, 0);
    canvas.circle(x, y, 0);
    canvas.setFillStyle(Canvas::Transparent);
    return StepResult::Continue;
}

// Brush 34: twelve rectangles shrinking towards the pointer by half per whole
// step and darkening from 23/24 of the colour to half of it, then four edges
// from the innermost rectangle out to the screen's corners. A pointer at or
// beyond the left or top edge is moved to 1 for the rest of the move.
StepResult lattice(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    if (x <= 0)
        x = 1;
    if (y <= 0)
        y = 1;
    const double wp = screenWidthPixels(s), hp = screenHeightPixels(s);
    double xa = 0, ya = 0, xc = 0, yb = 0;
    for (int step = 1; step <= 12; ++step) {
        const double k = step / 2.0;
        for (int j = 1; j <= 3; ++j)
            s.shadeLevel[j - 1] = s.component(j) * (1 - k / 12);
        foreColourFromShade(ctx);
        const double f = 1 / std::pow(2.0, k);
        xa = x * (1 - f);
        ya = y * (1 - f);
        xc = x + f * (wp - x);
        yb = y + f * (hp - y);
        canvas.line(xa, ya, xa, yb); // TL to BL
        canvas.line(xc, yb, xa, yb); // BR to BL
        canvas.line(xa, ya, xc, ya); // TL to TR
        canvas.line(xc, yb, xc, ya); // BR to TR
    }
    canvas.line(xa, ya, 0, 0);
    canvas.line(xc, yb, wp, hp);
    canvas.line(xc, ya, wp, 0);
    canvas.line(xa, yb, 0, hp);
    return StepResult::Continue;
}

namespace {

// With the solid fill in force a circle paints its whole disc, and each disc
// reaches 100 pixels further than the one before it, far more than the
// raster ever strays: every pixel a smaller circle paints, the largest one
// paints again in the same colours. So only the largest is drawn.
bool discsCoverSmallerOnes(const Canvas& canvas)
{
    return canvas.fillStyle() == Canvas::Solid && canvas.fillColor() >= 0;
}

} // namespace

// Brush 44: ten circles 100 pixels apart, radii 101 to 1001, in the fill
// style in force (filled discs after brush 30).
StepResult concentricCircles(StrokeContext& ctx, double& x, double& y)
{
    Canvas::CircleBatch circles(ctx.canvas);
    for (int i = discsCoverSmallerOnes(ctx.canvas) ? 10 : 1; i <= 10; ++i)
        ctx.canvas.circle(x, y, 100 * i + 1);
    return StepResult::Continue;
}

// Brush 45: brush 44 around the pointer and around its mirror point through
// the screen's centre, alternating circle by circle. With filled discs the
// last two cover everything the others paint: a pixel the last disc reaches
// takes its colour, one only the disc before it reaches takes that one's.
StepResult doubleConcentricCircles(StrokeContext& ctx, double& x, double& y)
{
    const DrawingState& s = ctx.state;
    const double mx = screenWidthPixels(s) - x, my = screenHeightPixels(s) - y;
    Canvas::CircleBatch circles(ctx.canvas);
    for (int i = discsCoverSmallerOnes(ctx.canvas) ? 10 : 1; i <= 10; ++i) {
        ctx.canvas.circle(x, y, 100 * i + 1);
        ctx.canvas.circle(mx, my, 100 * i + 1);
    }
    return StepResult::Continue;
}

} // namespace pemma::brushes
