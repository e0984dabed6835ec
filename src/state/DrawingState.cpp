// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/DrawingState.h"

#include "state/Colour.h"

namespace pemma {

std::array<Colour, 7> rainbowTable()
{
    return {joinColour(255, 0, 0),   joinColour(255, 190, 80), joinColour(255, 255, 0),
            joinColour(206, 255, 100), joinColour(0, 255, 0),  joinColour(150, 150, 255),
            joinColour(206, 0, 255)};
}

} // namespace pemma
