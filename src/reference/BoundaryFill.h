// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "canvas/Canvas.h"

namespace pemma::reference {

// The boundary fill done the plain way, pixel by pixel with a record of
// what is done: fills with the canvas's fill colour from (x, y) outwards, up
// to pixels of the border colour and the drawing's edges (4-connected),
// when the fill style is solid. The fill brush is held to it.
void boundaryFill(Canvas& canvas, int x, int y, Colour border);

} // namespace pemma::reference
