// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace pemma {

// A colour value: red + 256 * green + 65536 * blue, red in the lowest byte.
// -1 (all bits set) is the invalid colour a read outside the drawing gives.
using Colour = std::int32_t;
constexpr Colour kInvalidColour = -1;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;

} // namespace pemma
