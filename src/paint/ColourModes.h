// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "paint/StrokeContext.h"

namespace pemma {

// The press and move steps of the eleven colour modes.
void colourModePress(StrokeContext& ctx);
void colourModeMove(StrokeContext& ctx, double x, double y);

} // namespace pemma
