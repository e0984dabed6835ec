// SPDX-License-Identifier: GPL-3.0-or-later
// Stamp brushes: boxes and screen-wide bands between the previous and the
// current point (12 "四角", 13 "縦縞", 14 "横縞"), marks of a fixed length
// centred on the pointer (15 "縦線", 16 "横線", 17 "右斜線", 18 "左斜線",
// 21 "十字", 22 "斜十字") and stars, squares and confetti scattered near the
// pointer (23 "星1", 24 "星2", 25 "星3", 26 "星4", 27 "紙吹雪").
//
// The screen size is kept in twips and used as it is as a length in pixels:
// the bands reach far beyond the canvas and the marks are screen width / 200
// long on each side of the pointer.
#include <cmath>

#include "paint/Brushes.h"
#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

bool hasPrevious(const DrawingState& s) { return s.prevX != 0; }

// Half the length of the fixed marks.
double markReach(const DrawingState& s) { return s.screenWidthTwips / 200; }

void verticalSegment(Canvas& c, double x, double y, double d) { c.line(x, y - d, x, y + d); }
void horizontalSegment(Canvas& c, double x, double y, double d) { c.line(x - d, y, x + d, y); }
void rightSlantSegment(Canvas& c, double x, double y, double d) { c.line(x + d, y - d, x - d, y + d); }
void leftSlantSegment(Canvas& c, double x, double y, double d) { c.line(x + d, y + d, x - d, y - d); }

// Where a scattered stamp lands and how large it is. The random numbers are
// taken in this order: x, y, size.
struct Stamp {
    double cx, cy, v;
};

Stamp placeStamp(StrokeContext& ctx, double x, double y, bool confetti)
{
    const DrawingState& s = ctx.state;
    const double spread = 20 * (3 * pressedWidth(ctx, s.penWidth));
    const double r1 = ctx.random.next();
    const double cx = x + spread * (r1 - 0.5);
    const double r2 = ctx.random.next();
    const double cy = y + spread * (r2 - 0.5);
    const double r3 = ctx.random.next();
    const int thickness = pressedThickness(ctx);
    const double v = confetti ? thickness * (r3 - 0.5) : 2.0 * thickness * r3;
    return {cx, cy, v};
}

// The two diagonals of a cross with arms reaching `arm` on each axis.
void diagonalCross(Canvas& c, double cx, double cy, double arm)
{
    c.line(cx - arm, cy - arm, cx + arm, cy + arm);
    c.line(cx + arm, cy - arm, cx - arm, cy + arm);
}

void squareStamp(Canvas& c, const Stamp& st)
{
    c.box(st.cx - st.v, st.cy - st.v, st.cx + st.v, st.cy + st.v);
}

// A thin diagonal cross; leaves the pen width at the thickness.
void thinStar(StrokeContext& ctx, const Stamp& st)
{
    ctx.canvas.setDrawWidth(1);
    diagonalCross(ctx.canvas, st.cx, st.cy, 2 * st.v);
    ctx.canvas.setDrawWidth(pressedThickness(ctx));
}

} // namespace

int star4MiddleWidth(int thickness)
{
    return roundHalfEven(std::floor(2 * std::pow(static_cast<double>(thickness), 0.25)));
}

// Brush 12: the box spanned by the previous and the current point.
StepResult spanBox(StrokeContext& ctx, double& x, double& y)
{
    const DrawingState& s = ctx.state;
    if (hasPrevious(s))
        ctx.canvas.box(x, y, s.prevX, s.prevY);
    return StepResult::Continue;
}

// Brush 13: a band from the top down over the whole screen height, between
// the previous and the current x.
StepResult verticalBand(StrokeContext& ctx, double& x, double&)
{
    const DrawingState& s = ctx.state;
    if (hasPrevious(s))
        ctx.canvas.box(x, 0, s.prevX, s.screenHeightTwips);
    return StepResult::Continue;
}

// Brush 14: a band from the left over the whole screen width, between the
// current and the previous y.
StepResult horizontalBand(StrokeContext& ctx, double&, double& y)
{
    const DrawingState& s = ctx.state;
    if (hasPrevious(s))
        ctx.canvas.box(0, y, s.screenWidthTwips, s.prevY);
    return StepResult::Continue;
}

// Brushes 15 to 18, 21 and 22: the previous point only decides whether the
// mark is drawn.
StepResult verticalMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state))
        verticalSegment(ctx.canvas, x, y, markReach(ctx.state));
    return StepResult::Continue;
}

StepResult horizontalMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state))
        horizontalSegment(ctx.canvas, x, y, markReach(ctx.state));
    return StepResult::Continue;
}

StepResult rightSlantMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state))
        rightSlantSegment(ctx.canvas, x, y, markReach(ctx.state));
    return StepResult::Continue;
}

StepResult leftSlantMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state))
        leftSlantSegment(ctx.canvas, x, y, markReach(ctx.state));
    return StepResult::Continue;
}

StepResult crossMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state)) {
        const double d = markReach(ctx.state);
        verticalSegment(ctx.canvas, x, y, d);
        horizontalSegment(ctx.canvas, x, y, d);
    }
    return StepResult::Continue;
}

StepResult slantCrossMark(StrokeContext& ctx, double& x, double& y)
{
    if (hasPrevious(ctx.state)) {
        const double d = markReach(ctx.state);
        rightSlantSegment(ctx.canvas, x, y, d);
        leftSlantSegment(ctx.canvas, x, y, d);
    }
    return StepResult::Continue;
}

// Brush 23: a thin diagonal cross; the pen width stays at the thickness until
// the next move sets it.
StepResult star1(StrokeContext& ctx, double& x, double& y)
{
    const Stamp st = placeStamp(ctx, x, y, false);
    thinStar(ctx, st);
    return StepResult::Continue;
}

// Brush 24: a square outline at the pen width in force.
StepResult star2(StrokeContext& ctx, double& x, double& y)
{
    const Stamp st = placeStamp(ctx, x, y, false);
    squareStamp(ctx.canvas, st);
    return StepResult::Continue;
}

// Brush 25: brush 24's square with brush 23's cross over it.
StepResult star3(StrokeContext& ctx, double& x, double& y)
{
    const Stamp st = placeStamp(ctx, x, y, false);
    squareStamp(ctx.canvas, st);
    thinStar(ctx, st);
    return StepResult::Continue;
}

// Brush 26: the square, a short cross of middle width and a long thin cross
// over it.
StepResult star4(StrokeContext& ctx, double& x, double& y)
{
    const Stamp st = placeStamp(ctx, x, y, false);
    Canvas& c = ctx.canvas;
    squareStamp(c, st);
    c.setDrawWidth(star4MiddleWidth(pressedThickness(ctx)));
    diagonalCross(c, st.cx, st.cy, 1.2 * st.v);
    c.setDrawWidth(1);
    diagonalCross(c, st.cx, st.cy, 2.5 * st.v);
    c.setDrawWidth(pressedThickness(ctx));
    return StepResult::Continue;
}

// Brush 27: eleven short parallel strokes along (1, 1), each one pixel right
// of the one before and shifted down by a random slope, forming a small
// slanted strip.
StepResult confetti(StrokeContext& ctx, double& x, double& y)
{
    const Stamp st = placeStamp(ctx, x, y, true);
    const double b = ctx.random.next() - 0.5;
    for (int j = 0; j <= 10; ++j) {
        const double sx = st.cx + j, sy = st.cy + 2 * b * j;
        ctx.canvas.line(sx, sy, sx + st.v, sy + st.v);
    }
    return StepResult::Continue;
}

} // namespace pemma::brushes
