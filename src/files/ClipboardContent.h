// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

#include "files/FileRead.h"

class QIODevice;
class QMimeData;

namespace pemma {

// What goes onto the clipboard and what comes off it, without any window.

// QImageWriter's quality for PNG (zlib's level 1): the lightest real
// compression, so that a screen-sized drawing is written well within a
// second; every PNG the program writes is lossless.
constexpr int kPngQuality = 80;

// Writes the image to device as a PNG. False when the device refused bytes.
bool writePng(const QImage& image, QIODevice* device);

// A copy of the drawing as it is now, for the clipboard, offered as
// "image/png" and "image/bmp". Painting on afterwards leaves it as it was.
// The PNG is encoded at once on a thread of its own; the window's thread
// waits for it only when a program asks for it before it is ready. The BMP
// is encoded when first asked for.
std::unique_ptr<QMimeData> canvasCopy(const QImage& drawing);

// What a paste would open, read from the clipboard's content.
struct PasteSource {
    enum class Kind {
        Picture, // encoded picture bytes (PNG, BMP, JPEG...)
        File,    // a local file named on the clipboard
        Nothing, // nothing that could be opened: see reason
    };
    Kind kind = Kind::Nothing;
    QByteArray bytes; // Picture
    FileName file;    // File: its path (absolute)
    QString name;     // what the clipboard offered, as the user is shown it
    QString reason;   // Nothing: why, in words for the user
};

// A picture is taken first (PNG before the other formats), then a file
// named as file managers put it: a list of URLs, GNOME's copied files, or
// plain text holding one absolute path or file: URL. Null content (a
// clipboard that could not be read) opens nothing. The bytes are not
// checked here; the picture loader checks them as it checks a file.
PasteSource pasteSourceOf(const QMimeData* content);

} // namespace pemma
