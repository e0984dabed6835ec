// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <functional>

#include "state/DrawingState.h"

namespace pemma {

// The red, green and blue sliders and the colour swatch beside them, as a
// model. Whatever moves a slider -- the user or the program -- calls
// setPosition(); when the position really changes, the slider's change
// handling runs at once: the swatch is refreshed (Color_Change) and then the
// component takes the slider position. The window mirrors the model into its
// widgets through the listener.
class ColourSliders {
public:
    explicit ColourSliders(DrawingState& state) : state_(state) {}

    int position(int n) const { return positions_[n - 1]; } // n = 1 red, 2 green, 3 blue
    // Sets slider n (clamped to 0..255); runs the change handling only on a change.
    void setPosition(int n, int pos);
    // Sets the three sliders in the order red, green, blue from rounded components.
    void setFromComponents();
    // Refreshes the swatch from the slider positions (or the grey of red in the
    // ink-wash modes).
    void Color_Change();

    Colour swatch() const { return swatch_; }

    // Called after a position or the swatch changed, to update the widgets.
    std::function<void(int n, int pos)> onPosition;
    std::function<void(Colour)> onSwatch;

private:
    void HScroll_Change(int n);

    DrawingState& state_;
    std::array<int, 3> positions_{0, 0, 0};
    Colour swatch_ = kWhite;
};

} // namespace pemma
