// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cmath>
#include <limits>

namespace pemma {

// Converts a real to a whole number, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4). Every real-to-integer conversion of the program goes
// through here. Values beyond the int range are clamped; NaN gives 0.
inline int roundHalfEven(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v); // default rounding mode: to nearest, ties to even
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

} // namespace pemma
