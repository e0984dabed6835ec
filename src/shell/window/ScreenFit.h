// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace pemma {

// Whether a program may place its own top-level window on this platform.
// Under X11 it may; under Wayland only the compositor places windows, so
// move() does nothing there and a window the screen's size hangs below the
// compositor's panel.
bool clientPlacesWindows();

// Where the program cannot place its window, asks for it to be maximized, so
// that its frame covers the screen's free area as a window manager would
// fit it, and returns true. Elsewhere does nothing and returns false.
bool fitByMaximizing(QWidget& window);

} // namespace pemma
