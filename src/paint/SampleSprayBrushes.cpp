// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

#include <cmath>

#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

// Reads the drawing on a square grid around the pointer, column by column and
// each column from the top, and paints every grid point over with its own
// colour in a wider dot. Grid points outside the drawing are skipped.
void sampleGrid(StrokeContext& ctx, double x, double y, int width, int reach, int step)
{
    Canvas& canvas = ctx.canvas;
    canvas.setDrawWidth(width);
    for (int du = -reach; du <= reach; du += step) {
        const double u = x + du;
        for (int dv = -reach; dv <= reach; dv += step) {
            const double v = y + dv;
            const Colour p = canvas.pixel(roundHalfEven(u), roundHalfEven(v));
            if (p == kInvalidColour)
                continue;
            ctx.state.pixelColour = p;
            canvas.pset(u, v, p);
        }
    }
}

// Scatters dots of size d = floor(W / 10 + 1.8) in a square of side 8d
// centred on the pointer. With a colour spread, each dot first takes its own
// colour: every component moved by (r - 0.5) * spread and held within 0..255.
// Random numbers per dot: red, green, blue (with a spread), then x and y.
void scatter(StrokeContext& ctx, double x, double y, double spread)
{
    DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    const double d = std::floor(pressedWidth(ctx, s.penWidth) / 10 + 1.8);
    canvas.setDrawWidth(d);
    const int dots = spread > 0 ? roundHalfEven(std::floor(4 * std::sqrt(8 * d) + 1)) : 30;
    for (int n = 0; n < dots; ++n) {
        if (spread > 0) {
            for (int j = 1; j <= 3; ++j) {
                double level = s.component(j) + (ctx.random.next() - 0.5) * spread;
                if (level > 255)
                    level = 255;
                if (level < 0)
                    level = 0;
                s.shadeLevel[j - 1] = level;
            }
            canvas.setForeColor(joinColour(s.shadeLevel[0], s.shadeLevel[1], s.shadeLevel[2]));
        }
        const double r1 = ctx.random.next();
        const double r2 = ctx.random.next();
        canvas.pset(x + 8 * d * (r1 - 0.5), y + 8 * d * (r2 - 0.5), canvas.foreColor());
    }
}

} // namespace

StepResult blurFine(StrokeContext& ctx, double& x, double& y)
{
    sampleGrid(ctx, x, y, 2, 8, 4);
    return StepResult::Continue;
}

StepResult blurCoarse(StrokeContext& ctx, double& x, double& y)
{
    sampleGrid(ctx, x, y, 4, 24, 4);
    return StepResult::Continue;
}

StepResult mosaic(StrokeContext& ctx, double& x, double& y)
{
    sampleGrid(ctx, x, y, 16, 24, 16);
    return StepResult::Continue;
}

StepResult crayon(StrokeContext& ctx, double& x, double& y)
{
    scatter(ctx, x, y, 0);
    return StepResult::Continue;
}

StepResult mixedColour1(StrokeContext& ctx, double& x, double& y)
{
    scatter(ctx, x, y, 50);
    return StepResult::Continue;
}

StepResult mixedColour2(StrokeContext& ctx, double& x, double& y)
{
    scatter(ctx, x, y, 100);
    return StepResult::Continue;
}

StepResult mixedColour3(StrokeContext& ctx, double& x, double& y)
{
    scatter(ctx, x, y, 200);
    return StepResult::Continue;
}

} // namespace pemma::brushes
