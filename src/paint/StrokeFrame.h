#pragma once
#include "paint/StrokeContext.h"

namespace pemma {

// Turns mouse presses, moves and releases over the canvas into strokes.
// Buttons and modifier keys make no difference.
class StrokeFrame {
public:
    explicit StrokeFrame(StrokeContext ctx) : ctx_(ctx) {}

    void Form_MouseDown(double x, double y);
    // buttonHeld: whether any mouse button is down during this move.
    void Form_MouseMove(double x, double y, bool buttonHeld);
    void Form_MouseUp(double x, double y);

    StrokeContext& context() { return ctx_; }

    // The area of the drawing changed by the events since the last call (or
    // since anything else last took the canvas's dirty rectangle): every pixel
    // they changed lies inside it; empty when they changed nothing. Taking it
    // empties it, so calling it before and after an event gives that event's
    // area. The window repaints this area after each event.
    QRect takeRepaintArea() { return ctx_.canvas.takeDirty(); }

private:
    void setForeColourFromComponents();

    StrokeContext ctx_;
};

} // namespace pemma
