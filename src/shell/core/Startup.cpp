// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/core/Startup.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdio>

#include "shell/core/SettingsPlace.h"
#include "state/Rounding.h"

namespace pemma {

ScreenMetrics readPrimaryScreen()
{
    ScreenMetrics m;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m.widthPixels = screen->geometry().width();
        m.heightPixels = screen->geometry().height();
        const double dpiX = screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : 96;
        const double dpiY = screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : 96;
        m.twipsPerPixelX = 1440.0 / dpiX;
        m.twipsPerPixelY = 1440.0 / dpiY;
    }
    return m;
}

SettingsReadResult Form_Load(DrawingState& s, Canvas& canvas, ColourSliders& sliders,
                             RandomSource& random, const ScreenMetrics& screen,
                             const QString& appPath)
{
    s.twipsPerPixelX = screen.twipsPerPixelX;
    s.twipsPerPixelY = screen.twipsPerPixelY;
    s.screenWidthTwips = screen.widthPixels * screen.twipsPerPixelX;
    s.screenHeightTwips = screen.heightPixels * screen.twipsPerPixelY;
    s.appPath = appPath.toStdString();

    const QString folder = settingsPlace(appPath).readFolder;
    const SettingsReadResult read = readSettings(folder);
    if (!read.problem.empty())
        std::fprintf(stderr, "pemmarover: %s/%s: %s; using the default settings\n", qPrintable(folder),
                     kSettingsFileName, read.problem.c_str());
    applySettings(read.settings, s);

    canvas.setDrawWidth(s.brushSize);
    for (int k = 0; k < 3; ++k) {
        const double u = random.next();
        s.colourDirection[k] = u > 0.5 ? 1 : (u < 0.5 ? -1 : 0);
    }
    canvas.setBackColor(s.backgroundColour);
    sliders.setFromComponents();
    // When the restored colour rounds to the sliders' start positions no
    // change handling runs; refresh the swatch anyway so it never shows a
    // colour other than the sliders'.
    sliders.Color_Change();
    s.rainbowColours = rainbowTable();
    s.penWidth = s.brushSize;
    return read;
}

bool Form_QueryUnload(const DrawingState& s, QString* error)
{
    const SettingsPlace place = settingsPlace(QString::fromStdString(s.appPath), true);
    return writeSettings(place.writeFolder, settingsFromState(s), error);
}

} // namespace pemma
