// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "canvas/Canvas.h"
#include "state/ColourSliders.h"

namespace pemma {

// The background and foreground commands. Each sets one attribute of the
// canvas, which rebuilds the drawing from the background colour and picture;
// none touches the drawing state (backgroundColour follows at the next
// drawing move, the picture size stays).

// "背景変更": background colour := the colour the swatch shows.
void chback_Click(Canvas& canvas, const ColourSliders& sliders);
// "背景黒"
void black_Click(Canvas& canvas);
// "背景白"
void clback_Click(Canvas& canvas);
// "前景消去": removes the opened picture.
void clsc_Click(Canvas& canvas);

} // namespace pemma
