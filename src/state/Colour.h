// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "state/Types.h"

namespace pemma {

struct Components {
    double r = 0, g = 0, b = 0;
};

// Splits a colour value into red, green and blue with floor division, in
// double precision. A valid colour gives its three bytes; -1 gives
// (255, 255, -1).
Components splitColour(double p);

// Joins three real components into a colour value: each rounded half to even,
// a component above 255 counts as 255, one below 0 as 0.
Colour joinColour(double r, double g, double b);

} // namespace pemma
