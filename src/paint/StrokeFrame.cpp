// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/StrokeFrame.h"

#include "paint/BrushTable.h"
#include "paint/ColourModes.h"
#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma {

void StrokeFrame::setForeColourFromComponents()
{
    const DrawingState& s = ctx_.state;
    ctx_.canvas.setForeColor(
        joinColour(roundHalfEven(s.red), roundHalfEven(s.green), roundHalfEven(s.blue)));
}

void StrokeFrame::Form_MouseDown(double x, double y)
{
    DrawingState& s = ctx_.state;
    s.isDrawing = true;
    s.buttonReleased = 0;
    colourModePress(ctx_);
    setForeColourFromComponents();
    if (s.brushIndex == 1 && x != 0)
        ctx_.canvas.pset(x, y, ctx_.canvas.foreColor());
    s.penWidth = 0.8 * s.brushSize;
    s.strokeStarted = 0;
}

void StrokeFrame::Form_MouseUp(double, double)
{
    DrawingState& s = ctx_.state;
    if (s.buttonReleased == 0) {
        s.releaseTime = ctx_.clock.timeOfDay();
        s.releaseMonotonic = ctx_.clock.monotonicSeconds();
        s.buttonReleased = 1;
    }
    if (s.brushIndex != 1)
        endStroke(s);
}

void StrokeFrame::Form_MouseMove(double x, double y, bool buttonHeld)
{
    DrawingState& s = ctx_.state;
    if (ctx_.checkMarks)
        ctx_.checkMarks->refreshCheckMarks(s);
    colourModeMove(ctx_, x, y);
    setForeColourFromComponents();
    if (!s.isDrawing)
        return;

    // A stroke left running by a fading brush 1 whose pen never lifted (the
    // pointer left the canvas) must not go on painting with another brush
    // while no button is held: end it as a release would.
    if (!buttonHeld && s.brushIndex != 1) {
        endStroke(s);
        return;
    }

    const BrushEntry* brush = nullptr;
    if (s.brushIndex >= 0 && s.brushIndex < kBrushCount)
        brush = &brushTable()[s.brushIndex];
    auto runAt = [&](BrushPhase phase) {
        if (brush && brush->phase == phase)
            return brush->step(ctx_, x, y);
        return StepResult::Continue;
    };

    if (runAt(BrushPhase::BeforePenWidth) == StepResult::EndMove)
        return;
    ctx_.canvas.setDrawWidth(pressedWidth(ctx_, s.penWidth));
    if (runAt(BrushPhase::AfterPenWidth) == StepResult::EndMove)
        return;
    ctx_.sliders.setFromComponents();
    if (runAt(BrushPhase::AfterSliders) == StepResult::EndMove)
        return;
    s.prevX = x;
    s.prevY = y;
    s.backgroundColour = ctx_.canvas.backColor();
}

} // namespace pemma
