// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QString>

#include "files/FileRead.h"

namespace pemma {

// Reading and writing picture files, without any dialog.

// Largest picture that is opened: each side and the number of pixels.
constexpr int kMaxPictureSide = 32767;
constexpr qint64 kMaxPicturePixels = qint64(8192) * 8192;
// Largest file that is opened: the largest picture stored without any
// compression at 8 bytes a pixel (16 bits per channel with alpha), plus room
// for headers and tables. Nothing larger can be a picture the program opens,
// so it is refused before any decoder sees it.
constexpr qint64 kMaxPictureFileBytes = kMaxPicturePixels * 8 + (qint64(1) << 20);
// Text formats (XPM, XBM, plain PBM/PGM/PPM) are read whole before their size
// is known: they are opened up to this size, which keeps their reading short.
constexpr qint64 kMaxTextPictureFileBytes = qint64(4) << 20;

struct PictureLoad {
    QImage picture; // null when the file could not be read
    QString error;  // why, in words for the user
};

// Reads any picture format Qt knows (plugins included), deciding the format
// by the content first and by the name second. The file is opened once and
// read whole into memory before any decoder sees it; what is not a regular
// file, and files and pictures beyond the limits above, are refused before
// decoding. Pixels that a file cut short does not deliver are white; the
// result is the same on every load of the same bytes.
PictureLoad loadPicture(const FileName& name);
PictureLoad loadPicture(const QString& fileName);

// Writes the image under exactly this name in the given format ("bmp",
// "jpeg"), quality -1 for the format's default. The file is written to a
// temporary file beside it and renamed over the name only when complete, so
// a failure leaves any earlier file as it was. Returns an empty string on
// success, otherwise why it failed.
QString savePicture(const QImage& image, const QString& fileName, const char* format, int quality = -1);

// A length in pixels as hundredths of a millimetre at the screen's dots per
// inch (1440 / twips per pixel), rounded half to even.
int pixelsToHimetric(int pixels, double twipsPerPixel);

// A picture held in memory (a pasted one), read as loadPicture reads a file
// of these bytes: the same formats, limits and refusals.
PictureLoad loadPictureData(const QByteArray& bytes);

} // namespace pemma
