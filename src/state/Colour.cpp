// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/Colour.h"

#include <cmath>

#include "state/Rounding.h"

namespace pemma {

Components splitColour(double p)
{
    Components c;
    c.r = p - 256.0 * std::floor(p / 256.0);
    c.g = std::floor((p - 65536.0 * std::floor(p / 65536.0)) / 256.0);
    c.b = std::floor(p / 65536.0);
    return c;
}

static int joinPart(double v)
{
    int i = roundHalfEven(v);
    if (i > 255)
        i = 255;
    if (i < 0)
        i = 0;
    return i;
}

Colour joinColour(double r, double g, double b)
{
    return joinPart(r) + 256 * joinPart(g) + 65536 * joinPart(b);
}

} // namespace pemma
