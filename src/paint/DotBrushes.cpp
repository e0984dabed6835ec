// SPDX-License-Identifier: GPL-3.0-or-later
// Brushes that paint near the pointer without joining it to the previous
// point: the orbiting and swinging dots (4 "回転", 19 "縦波", 20 "横波"), the
// sprays (5 "霧状1", 6 "霧状2", 7 "霧状3") and the rings (9 "輪1", 10 "輪2",
// 11 "輪3").
#include <cmath>

#include "paint/Brushes.h"

namespace pemma::brushes {

namespace {

// The phase shared by brushes 4, 19 and 20: each of their moves turns it on
// by 0.4 radians. Nothing resets it, so it runs on across strokes and from one
// of the three brushes to another.
double advanceWavePhase(DrawingState& s)
{
    s.wavePhase = s.wavePhase + 0.4;
    return s.wavePhase;
}

} // namespace

// Brush 4: a dot circling the pointer at three pen widths.
StepResult orbitDot(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    const double a = advanceWavePhase(s);
    const double r = 3 * pressedWidth(ctx, s.penWidth);
    ctx.canvas.pset(x + r * std::sin(a), y + r * std::cos(a), ctx.canvas.foreColor());
    return StepResult::Continue;
}

// Brush 19: a dot swinging up and down.
StepResult verticalWave(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    const double a = advanceWavePhase(s);
    ctx.canvas.pset(x, y + 3 * pressedWidth(ctx, s.penWidth) * std::sin(a), ctx.canvas.foreColor());
    return StepResult::Continue;
}

// Brush 20: a dot swinging left and right.
StepResult horizontalWave(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    const double a = advanceWavePhase(s);
    ctx.canvas.pset(x + 3 * pressedWidth(ctx, s.penWidth) * std::sin(a), y, ctx.canvas.foreColor());
    return StepResult::Continue;
}

// Brushes 5 to 7: 20, 40 or 60 random dots in a square of side 20 n W around
// the pointer (n = 1, 2, 3). Each dot takes its x number, then its y number.
StepResult spray(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    const int n = s.brushIndex - 4;
    const double side = 20 * (n * pressedWidth(ctx, s.penWidth));
    const Colour c = ctx.canvas.foreColor();
    for (int i = 0; i < 20 * n; ++i) {
        const double r1 = ctx.random.next();
        const double r2 = ctx.random.next();
        ctx.canvas.pset(x + side * (r1 - 0.5), y + side * (r2 - 0.5), c);
    }
    return StepResult::Continue;
}

// Brushes 9 to 11: a circle around the pointer, each brush three times the
// radius of the one before.
StepResult rings(StrokeContext& ctx, double& x, double& y)
{
    const DrawingState& s = ctx.state;
    const double factor = std::pow(3.0, s.brushIndex - 9);
    const double radius = std::floor(1 + 20 * std::sqrt(pressedWidth(ctx, s.penWidth)) * factor);
    ctx.canvas.circle(x, y, radius);
    return StepResult::Continue;
}

} // namespace pemma::brushes
