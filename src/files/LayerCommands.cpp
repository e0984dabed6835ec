// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/LayerCommands.h"

namespace pemma {

void chback_Click(Canvas& canvas, const ColourSliders& sliders) { canvas.setBackColor(sliders.swatch()); }

void black_Click(Canvas& canvas) { canvas.setBackColor(kBlack); }

void clback_Click(Canvas& canvas) { canvas.setBackColor(kWhite); }

void clsc_Click(Canvas& canvas) { canvas.setPicture(QImage()); }

} // namespace pemma
