// SPDX-License-Identifier: GPL-3.0-or-later
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

private:
    void setForeColourFromComponents();

    StrokeContext ctx_;
};

} // namespace pemma
