// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "paint/StrokeContext.h"

namespace pemma {

// Where in a drawing move a brush runs: before the pen-width step (brushes
// 0 to 3), between it and the slider step (4 to 27), or after the slider step
// (28 to 45).
enum class BrushPhase { BeforePenWidth, AfterPenWidth, AfterSliders };

// What a brush step tells the move: go on, or end the move at once (brush 1
// lifting its pen; no later step of the move runs).
enum class StepResult { Continue, EndMove };

// A brush step gets the stroke context and the move's point; it may replace
// the point for the rest of the move.
using BrushStep = StepResult (*)(StrokeContext& ctx, double& x, double& y);

} // namespace pemma
