// SPDX-License-Identifier: GPL-3.0-or-later
// The pens: brushes 1 "毛筆", 2 "にじみ1" and 3 "にじみ2", whose width follows
// the pointer speed, and brush 8 "虹", seven parallel lines in rainbow colours.
#include <cmath>

#include "paint/Brushes.h"

namespace pemma::brushes {

namespace {

// The speed-dependent width of brushes 1 to 3. A slow pointer paints wide, a
// fast one thin; the width may grow by at most `grow` and shrink by at most
// `shrink` from the width of the previous pen move. The first move of a
// stroke only thins the press width.
void applyWidthRule(DrawingState& s, double x, double y, double grow, double shrink)
{
    double w = s.penWidth;
    if (s.strokeStarted == 0) {
        w = 0.7 * w;
    } else {
        const double dx = x - s.prevX, dy = y - s.prevY;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d != 0)
            w = std::floor(200 / d + 1);
        const double cap = 1.5 * s.brushSize;
        if (w > cap)
            w = cap;
        if (w > s.prevPenWidth + grow)
            w = s.prevPenWidth + grow;
        if (w < s.prevPenWidth - shrink)
            w = s.prevPenWidth - shrink;
    }
    s.penWidth = w;
    s.strokeStarted = 1;
}

void lineBack(StrokeContext& ctx, double x, double y)
{
    const DrawingState& s = ctx.state;
    if (s.prevX != 0)
        ctx.canvas.line(x, y, s.prevX, s.prevY);
}

// How long brush 1 goes on painting after the release, in seconds.
constexpr double kFadeSeconds = 0.1;

} // namespace

// Brush 1. After the release it keeps painting on the following moves, each
// time with 85 % of the width, until the width falls below 4 or the fade time
// has passed; then it lifts the pen and the move ends without painting. The
// fade time is measured on the monotonic clock, so a release just before
// midnight still ends.
StepResult inkBrush(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    applyWidthRule(s, x, y, 4, 2);
    if (s.buttonReleased == 1) {
        s.penWidth = std::floor(0.85 * s.penWidth);
        if (s.penWidth < 4 || ctx.clock.monotonicSeconds() > s.releaseMonotonic + kFadeSeconds) {
            endStroke(s);
            return StepResult::EndMove;
        }
    }
    s.prevPenWidth = s.penWidth;
    ctx.canvas.setDrawWidth(pressedWidth(ctx, s.penWidth));
    lineBack(ctx, x, y);
    return StepResult::Continue;
}

// Brush 2: the width rule with wide limits, the line at the new width.
StepResult bleed1(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.penWidthStep = 4;
    applyWidthRule(s, x, y, 4.0 * s.penWidthStep, 2.0 * s.penWidthStep);
    s.prevPenWidth = s.penWidth;
    ctx.canvas.setDrawWidth(pressedWidth(ctx, s.penWidth));
    lineBack(ctx, x, y);
    return StepResult::Continue;
}

// Brush 3: wider limits still; the line keeps the pen width of the previous
// move, so the width shows one move late.
StepResult bleed2(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.penWidthStep = 20;
    applyWidthRule(s, x, y, 4.0 * s.penWidthStep, 2.0 * s.penWidthStep);
    s.prevPenWidth = s.penWidth;
    lineBack(ctx, x, y);
    return StepResult::Continue;
}

// Brush 8: seven lines one pen width apart, red on top; later lines cover
// earlier ones where they overlap.
StepResult rainbow(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.rainbowStep = pressedWidth(ctx, s.penWidth);
    for (int i = -3; i <= 3; ++i) {
        if (s.prevX != 0) {
            const double off = i * s.rainbowStep;
            ctx.canvas.line(x, y + off, s.prevX, s.prevY + off, s.rainbowColours[i + 3]);
        }
    }
    return StepResult::Continue;
}

} // namespace pemma::brushes
