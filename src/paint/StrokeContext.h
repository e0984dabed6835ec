// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <algorithm>
#include <optional>

#include "canvas/Canvas.h"
#include "state/Clock.h"
#include "state/ColourSliders.h"
#include "state/DrawingState.h"
#include "state/Random.h"
#include "state/Rounding.h"

namespace pemma {

// The window's side of a mouse move: the check marks of the three selection
// menus, refreshed from the state at the start of every move.
class CheckMarkView {
public:
    virtual ~CheckMarkView() = default;
    virtual void refreshCheckMarks(const DrawingState& state) = 0;
};

// Everything a stroke step works with.
struct StrokeContext {
    DrawingState& state;
    Canvas& canvas;
    RandomSource& random;
    Clock& clock;
    ColourSliders& sliders;
    CheckMarkView* checkMarks = nullptr; // may be absent in tests
    // The pen's pressure on this move, in (0, 1]; none for a mouse, a finger
    // or a pen that does not report it.
    std::optional<double> pressure;
};

// What a brush paints with on this move: the pen width, or the thickness, as
// the stroke has it, scaled by the pen's pressure and kept at 1 pixel or
// more. Without a pressure they are exactly the stroke's own values, so a
// mouse paints as it always has; a brush whose width follows the pointer's
// speed keeps its rule on the stroke's own width and paints that scaled.
inline double pressedWidth(const StrokeContext& ctx, double width)
{
    return ctx.pressure ? std::max(1.0, width * *ctx.pressure) : width;
}
inline int pressedThickness(const StrokeContext& ctx)
{
    const int thickness = ctx.state.brushSize;
    return ctx.pressure ? std::max(1, roundHalfEven(thickness * *ctx.pressure)) : thickness;
}

// The stroke is over: no move paints until the next press, and no line joins
// the next stroke to this one.
inline void endStroke(DrawingState& s)
{
    s.isDrawing = false;
    s.prevX = 0;
    s.prevY = 0;
}

} // namespace pemma
