// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "canvas/Canvas.h"
#include "shell/core/SettingsFile.h"
#include "state/ColourSliders.h"
#include "state/DrawingState.h"
#include "state/Random.h"

namespace pemma {

// The screen as read once at start-up.
struct ScreenMetrics {
    int widthPixels = 1024;
    int heightPixels = 768;
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};

// The primary screen's metrics, or the defaults above without a screen.
ScreenMetrics readPrimaryScreen();

// The start-up steps after the window has been sized: records the screen
// metrics and the executable's folder, reads the settings file (where
// settingsPlace says; a name there that is no regular file gives the defaults
// and one line on standard error), sets the pen
// width, draws the colour-walk directions, sets the background, the sliders
// and the rainbow table, and the working pen width. Returns what was read.
SettingsReadResult Form_Load(DrawingState& state, Canvas& canvas, ColourSliders& sliders,
                             RandomSource& random, const ScreenMetrics& screen,
                             const QString& appPath);

// The close request: writes the settings file where settingsPlace says,
// making the user's settings folder when needed. Never refuses; returns false
// (with the reason) when the file could not be written.
bool Form_QueryUnload(const DrawingState& state, QString* error = nullptr);

} // namespace pemma
