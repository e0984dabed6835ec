#include "paint/Brushes.h"

#include <cmath>

#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

// End points reach the drawing in single precision.
void segment(Canvas& canvas, double x1, double y1, double x2, double y2)
{
    canvas.line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                static_cast<float>(y2));
}

// The screen size in pixels at a fixed 15 twips per pixel.
double screenWidthPixels(const DrawingState& s) { return s.screenWidthTwips / 15; }
double screenHeightPixels(const DrawingState& s) { return s.screenHeightTwips / 15; }

// One or two fans of 16 rays 0.4 radians apart, 2000 pixels long, turning by
// 0.02 each move. The second fan starts at the pointer mirrored through the
// screen's centre and meets the first at the same far points.
void fan(StrokeContext& ctx, double x, double y, bool mirrored)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.02;
    const double mx = screenWidthPixels(s) - x, my = screenHeightPixels(s) - y;
    for (int i = 1; i <= 16; ++i) {
        const double theta = s.spinAngle + i / 2.5;
        const double fx = x + 2000 * std::sin(theta), fy = y + 2000 * std::cos(theta);
        segment(ctx.canvas, x, y, fx, fy);
        if (mirrored)
            segment(ctx.canvas, mx, my, fx, fy);
    }
}

} // namespace

// Brush 30: a frame along the screen's edges (its right and bottom sides lie
// far outside, the twips taken as pixels), then a fill from the pointer up to
// the foreground colour. The solid fill style stays for later circles and boxes.
StepResult fillArea(StrokeContext& ctx, double& x, double& y)
{
    const DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    const double w = s.screenWidthTwips, h = s.screenHeightTwips;
    canvas.line(0, 0, w, 0);
    canvas.lineTo(w, h);
    canvas.lineTo(0, h);
    canvas.lineTo(0, 0);
    canvas.setFillStyle(Canvas::Solid);
    canvas.setFillColor(canvas.foreColor());
    canvas.floodFill(roundHalfEven(x), roundHalfEven(y), canvas.foreColor());
    return StepResult::Continue;
}

StepResult radiate(StrokeContext& ctx, double& x, double& y)
{
    fan(ctx, x, y, false);
    return StepResult::Continue;
}

StepResult doubleRadiate(StrokeContext& ctx, double& x, double& y)
{
    fan(ctx, x, y, true);
    return StepResult::Continue;
}

// Brush 35: twelve segments whose inner ends (radius 150) run 1.5 radians
// ahead of their outer ends (radius 1000), turning by 0.05 each move.
StepResult vortex(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.05;
    for (int i = 1; i <= 12; ++i) {
        const double phi = 6.28 * i / 12 + s.spinAngle;
        segment(ctx.canvas, x + 150 * std::cos(phi + 1.5), y + 150 * std::sin(phi + 1.5),
                x + 1000 * std::cos(phi), y + 1000 * std::sin(phi));
    }
    return StepResult::Continue;
}

// Brush 36: one 500-pixel segment centred on the pointer, turning by 0.05.
StepResult spinningLine(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.05;
    const double phi = 6.28 / 12 + s.spinAngle;
    const double dx = 250 * std::cos(phi), dy = 250 * std::sin(phi);
    segment(ctx.canvas, x + dx, y + dy, x - dx, y - dy);
    return StepResult::Continue;
}

} // namespace pemma::brushes
