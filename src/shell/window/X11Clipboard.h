// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMimeData>
#include <chrono>
#include <memory>

namespace pemma {

// The X clipboard as another program holds it, read over a connection of
// our own, so that no wait for its owner lasts longer than `wait`. (Qt's own
// reader waits up to 5 s for each answer, one for the list of formats and
// one for the data, with the window frozen all that time.)
//
// The formats are those the owner lists, picture formats, URL lists and
// GNOME's copied files as they are, and "text/plain" for its text in any
// of X's text targets; the data of a format is asked for when first read.
// Data beyond the picture size limit is not taken: reading stops one byte
// past it. Once a wait has run out, nothing more is asked and every format
// reads empty.
//
// Empty content when nobody holds the clipboard. Null when the owner did not
// answer what it offers within `wait`, or the display could not be reached.
std::unique_ptr<QMimeData> readX11Clipboard(std::chrono::milliseconds wait);

} // namespace pemma
