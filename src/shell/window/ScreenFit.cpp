// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/ScreenFit.h"

#include <QGuiApplication>
#include <QWidget>

namespace pemma {

bool clientPlacesWindows()
{
    // "wayland", "wayland-egl" and the like.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool fitByMaximizing(QWidget& window)
{
    if (clientPlacesWindows())
        return false;
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

} // namespace pemma
