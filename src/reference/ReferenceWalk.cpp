// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference/ReferenceWalk.h"

#include <cmath>
#include <utility>

#include "imageops/ColourRules.h"
#include "imageops/ImageFrame.h"
#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma::imageops {

namespace {

// A walk that would never end (no finite extent) visits nothing.
bool walkable(double extent) { return std::isfinite(extent); }

Colour readCanvas(const Canvas& canvas, double x, double y)
{
    return canvas.pixel(roundHalfEven(x), roundHalfEven(y));
}

// The scratch picture: the whole drawing as it was; -1 beyond it.
struct Picture2 {
    QImage image;
    explicit Picture2(const Canvas& canvas) : image(canvas.image().copy()) {}
    Colour read(double x, double y) const
    {
        const int ix = roundHalfEven(x), iy = roundHalfEven(y);
        if (ix < 0 || iy < 0 || ix >= image.width() || iy >= image.height())
            return kInvalidColour;
        return Canvas::fromRgb(image.pixel(ix, iy));
    }
};

void colourWalk(const ColourRule& rule, OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    applyDefaultPictureSize(state);
    canvas.setDrawWidth(rule.penWidth);
    const double W = regionWidth(state);
    if (!walkable(W))
        return;
    for (double x = 1; x <= W; x += rule.step) {
        const double H = regionHeight(state);
        if (!walkable(H))
            return;
        for (double y = 1; y <= H; y += rule.step) {
            const Colour p = readCanvas(canvas, x, y);
            state.pixelColour = p;
            if (rule.testsRead && p < 0)
                continue;
            canvas.pset(x, y, rule.newColour(p));
        }
    }
}

// Walks the region with step 1, calling visit(x, y) at each point.
template <typename Visit>
void unitWalk(const DrawingState& state, Visit visit)
{
    const double W = regionWidth(state);
    if (!walkable(W))
        return;
    for (double x = 1; x <= W; ++x) {
        const double H = regionHeight(state);
        if (!walkable(H))
            return;
        for (double y = 1; y <= H; ++y)
            visit(x, y);
    }
}

void capToHalfScreen(DrawingState& state)
{
    if (state.pictureWidth > state.screenWidthTwips / 2)
        state.pictureWidth = state.screenWidthTwips / 2;
    if (state.pictureHeight > state.screenHeightTwips / 2)
        state.pictureHeight = state.screenHeightTwips / 2;
}

void enlarge(OperationContext& ctx, bool averaged)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    applyDefaultPictureSize(state);
    capToHalfScreen(state);
    const Picture2 copy(canvas);
    canvas.setDrawWidth(1);
    unitWalk(state, [&](double x, double y) {
        const Colour p0 = copy.read(x, y);
        state.pixelColour = p0;
        if (!averaged) {
            canvas.pset(2 * x, 2 * y, p0);
            canvas.pset(2 * x + 1, 2 * y, p0);
            canvas.pset(2 * x, 2 * y + 1, p0);
            canvas.pset(2 * x + 1, 2 * y + 1, p0);
            return;
        }
        const Components c0 = splitColour(p0);
        for (int dx = 0; dx <= 1; ++dx) {
            for (int dy = 0; dy <= 1; ++dy) {
                const Colour p1 = copy.read(x + dx, y + dy);
                const Components c1 = splitColour(p1);
                const double R = (c0.r + c1.r) / 2, G = (c0.g + c1.g) / 2, B = (c0.b + c1.b) / 2;
                if (p0 >= 0 && p1 >= 0)
                    canvas.pset(2 * x + dx, 2 * y + dy, joinColour(R, G, B));
            }
        }
    });
    state.pictureWidth = state.pictureWidth * 2;
    state.pictureHeight = state.pictureHeight * 2;
}

void shrink(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    applyDefaultPictureSize(state);
    canvas.setDrawWidth(1);
    unitWalk(state, [&](double x, double y) {
        const Colour p = readCanvas(canvas, x, y);
        state.pixelColour = p;
        canvas.pset(x, y, kWhite);
        canvas.pset(x / 2, y / 2, p);
    });
    state.pictureWidth = state.pictureWidth / 2;
    state.pictureHeight = state.pictureHeight / 2;
}

// Mirror and rotations: copy, clear, then paint each point read at target(x, y).
template <typename Target>
void moveAll(OperationContext& ctx, Target target)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    applyDefaultPictureSize(state);
    const Picture2 copy(canvas);
    canvas.cls();
    canvas.setDrawWidth(1);
    unitWalk(state, [&](double x, double y) {
        const Colour p = copy.read(x, y);
        state.pixelColour = p;
        const double W = regionWidth(state), H = regionHeight(state);
        const auto [tx, ty] = target(x, y, W, H);
        canvas.pset(tx, ty, p);
    });
}

} // namespace

void runReferenceOperation(int item, OperationContext& ctx)
{
    if (const ColourRule* rule = colourRule(item)) {
        colourWalk(*rule, ctx);
        return;
    }
    using P = std::pair<double, double>;
    switch (item) {
    case 5:
        enlarge(ctx, false);
        break;
    case 6:
        enlarge(ctx, true);
        break;
    case 29:
        shrink(ctx);
        break;
    case 30:
        moveAll(ctx, [](double x, double y, double W, double) { return P{W - x, y}; });
        break;
    case 31:
        moveAll(ctx, [](double x, double y, double, double H) { return P{H - y, x}; });
        std::swap(ctx.state.pictureWidth, ctx.state.pictureHeight);
        break;
    case 32:
        moveAll(ctx, [](double x, double y, double W, double) { return P{y, W - x}; });
        std::swap(ctx.state.pictureWidth, ctx.state.pictureHeight);
        break;
    case 33:
        moveAll(ctx, [](double x, double y, double W, double H) { return P{W - x, H - y}; });
        break;
    default:
        break;
    }
}

} // namespace pemma::imageops
