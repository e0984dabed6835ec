#pragma once
#include "canvas/Canvas.h"
#include "state/Clock.h"
#include "state/ColourSliders.h"
#include "state/DrawingState.h"
#include "state/Random.h"

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
};

// The stroke is over: no move paints until the next press, and no line joins
// the next stroke to this one.
inline void endStroke(DrawingState& s)
{
    s.isDrawing = false;
    s.prevX = 0;
    s.prevY = 0;
}

} // namespace pemma
