// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "files/FileCommands.h"

class QMimeData;

namespace pemma {

// The commands of the keys that share a painting: paste a picture from the
// clipboard as the background, and save the drawing as a PNG file.

// The PNG save dialog's filter ("caption|pattern" pairs) and its index.
extern const QString kPngSaveFilter;
constexpr int kPngSaveFilterIndex = 1;

struct PasteResult {
    bool pasted = false;
    QString file; // the local picture file opened, when the clipboard named one
};

// Opens what the clipboard holds (see pasteSourceOf) as "画像開く" opens a
// picture file: the window fits the screen again, the picture becomes the
// background picture (the drawing is rebuilt) and its size is recorded.
// Whatever cannot be opened is reported and changes nothing.
PasteResult pastePicture(FileCommandContext& ctx, const QMimeData* content);

// The name as it is saved: one without a suffix gets ".png".
QString withPngSuffix(const QString& name);

// The whole drawing as a lossless PNG, asked for as "bmp完全保存" asks: the
// save dialog until the question about the name (with its suffix) is
// answered Yes, then a checked replace of the file.
void pngsave(FileCommandContext& ctx);

} // namespace pemma
