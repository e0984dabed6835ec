// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/ColourSliders.h"

#include <algorithm>

#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma {

void ColourSliders::setPosition(int n, int pos)
{
    pos = std::clamp(pos, 0, 255);
    if (positions_[n - 1] == pos)
        return;
    positions_[n - 1] = pos;
    if (onPosition)
        onPosition(n, pos);
    HScroll_Change(n);
}

void ColourSliders::setFromComponents()
{
    setPosition(1, roundHalfEven(state_.red));
    setPosition(2, roundHalfEven(state_.green));
    setPosition(3, roundHalfEven(state_.blue));
}

void ColourSliders::HScroll_Change(int n)
{
    Color_Change();
    state_.component(n) = positions_[n - 1];
}

void ColourSliders::Color_Change()
{
    swatch_ = joinColour(positions_[0], positions_[1], positions_[2]);
    if (state_.colourMode >= 8 && state_.colourMode <= 10) {
        const int grey = roundHalfEven(state_.red);
        swatch_ = joinColour(grey, grey, grey);
    }
    if (onSwatch)
        onSwatch(swatch_);
}

} // namespace pemma
