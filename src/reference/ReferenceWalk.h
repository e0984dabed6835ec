// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "imageops/Operations.h"

namespace pemma::imageops {

// g<item> done the plain way: walk the region point by point, read each
// point through Canvas::pixel() (or from the scratch copy), work out its
// colour, paint it through Canvas::pset(). Slow; it is the yardstick the fast
// runners are held to. Does not touch the busy pointer.
void runReferenceOperation(int item, OperationContext& ctx);

} // namespace pemma::imageops
