// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/ColourModes.h"

#include <cmath>

#include "state/Rounding.h"

namespace pemma {

namespace {

void randomColour(StrokeContext& ctx)
{
    DrawingState& s = ctx.state;
    s.red = std::floor(256.0 * ctx.random.next());
    s.green = std::floor(256.0 * ctx.random.next());
    s.blue = std::floor(256.0 * ctx.random.next());
}

// Modes 4 to 7: each component steps by its direction times k times
// (mode - 8u), bouncing off 0 and 255.
void randomWalk(StrokeContext& ctx)
{
    DrawingState& s = ctx.state;
    for (int k = 1; k <= 3; ++k) {
        const double u = ctx.random.next();
        double& c = s.component(k);
        int& dir = s.colourDirection[k - 1];
        c = c + dir * k * (s.colourMode - 8.0 * u);
        if (c < 1) {
            c = 0;
            dir = 1;
        }
        if (c > 255) {
            c = 255;
            dir = -1;
        }
    }
}

// Modes 8 to 10: grey from the distance to the previous drawing position.
void inkWash(StrokeContext& ctx, double x, double y, double gain)
{
    DrawingState& s = ctx.state;
    const double d = std::sqrt((x - s.prevX) * (x - s.prevX) + (y - s.prevY) * (y - s.prevY));
    double g = std::floor(gain * (d - 10) + 1);
    if (g > 255)
        g = 255;
    if (g < 0)
        g = 0;
    s.red = s.green = s.blue = g;
}

// Mode 11: the colour under the pointer, moved into the sliders.
void pickColour(StrokeContext& ctx, double x, double y)
{
    DrawingState& s = ctx.state;
    s.pixelColour = ctx.canvas.pixel(roundHalfEven(x), roundHalfEven(y));
    const double v = s.pixelColour;
    s.red = std::fabs(v - 256.0 * std::floor(v / 256.0));
    s.green = std::fabs(std::floor((v - 65536.0 * std::floor(v / 65536.0)) / 256.0));
    s.blue = std::fabs(std::floor(v / 65536.0));
    ctx.sliders.setFromComponents();
}

} // namespace

void colourModePress(StrokeContext& ctx)
{
    DrawingState& s = ctx.state;
    switch (s.colourMode) {
    case 1:
        s.red = ctx.sliders.position(1);
        s.green = ctx.sliders.position(2);
        s.blue = ctx.sliders.position(3);
        break;
    case 2:
    case 3:
        randomColour(ctx);
        break;
    default:
        break;
    }
}

void colourModeMove(StrokeContext& ctx, double x, double y)
{
    switch (ctx.state.colourMode) {
    case 3:
        randomColour(ctx);
        break;
    case 4:
    case 5:
    case 6:
    case 7:
        randomWalk(ctx);
        break;
    case 8:
        inkWash(ctx, x, y, 2);
        break;
    case 9:
        inkWash(ctx, x, y, 5);
        break;
    case 10:
        inkWash(ctx, x, y, 10);
        break;
    case 11:
        pickColour(ctx, x, y);
        break;
    default:
        break;
    }
}

} // namespace pemma
