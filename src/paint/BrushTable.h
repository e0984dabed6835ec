// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>

#include "paint/BrushStep.h"

namespace pemma {

struct BrushEntry {
    int index;
    const char* caption;
    BrushPhase phase;
    BrushStep step;
};

constexpr int kBrushCount = 46;

// All brushes in menu order, entry i is brush i.
const std::array<BrushEntry, kBrushCount>& brushTable();

} // namespace pemma
