// SPDX-License-Identifier: GPL-3.0-or-later
// Kept painting: any bytes as a kept file, through the reader a start uses.
// Never a crash; a file that reads gives a painting within the size limits
// in the program's formats, and that painting written and read again is the
// same painting.
//
// The first input byte picks how the rest is taken: even, as the file
// itself (the hashes stop nearly everything at the header); odd, as a file
// whose magic, version and hashes are made right and whose part sizes are
// made to add up, so that the header's values and the pixel parts are what
// is tried.
#include <QCoreApplication>
#include <QtEndian>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "keep/KeptFile.h"

using namespace pemma;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "kept file: %s\n", what);
    std::abort();
}

bool within(const QImage& image)
{
    return image.width() <= kMaxPictureSide && image.height() <= kMaxPictureSide
        && qint64(image.width()) * image.height() <= kMaxPicturePixels;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return -1;
    QByteArray file(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 1) {
        if (file.size() < kKeptHeaderBytes)
            file.append(QByteArray(kKeptHeaderBytes - file.size(), '\0'));
        std::memcpy(file.data(), "PMRKEEP\n", 8);
        qToLittleEndian<std::uint32_t>(1, file.data() + 8);
        // The drawing part takes as many whole words as its stated size asks
        // for, within what there is; the picture part the rest.
        const std::uint64_t words = static_cast<std::uint64_t>(file.size() - kKeptHeaderBytes) / 4;
        const std::uint64_t drawing = qFromLittleEndian<std::uint64_t>(file.constData() + 56) % (words + 1);
        file.truncate(kKeptHeaderBytes + static_cast<qsizetype>(4 * words));
        qToLittleEndian<std::uint64_t>(4 * drawing, file.data() + 56);
        qToLittleEndian<std::uint64_t>(4 * (words - drawing), file.data() + 64);
        sealKept(file);
    }
    const KeptRead read = decodeKept(file);
    if (read.painting.has_value() == !read.error.isEmpty())
        fail("a read gives both a painting and an error, or neither");
    if (!read.painting)
        return 0;
    const KeptPainting& p = *read.painting;
    if (p.drawing.format() != QImage::Format_RGB32 || !within(p.drawing))
        fail("a drawing beyond the limits or not in the canvas's format");
    if (!p.picture.isNull()
        && ((p.picture.format() != QImage::Format_RGB32 && p.picture.format() != QImage::Format_ARGB32_Premultiplied)
            || !within(p.picture)))
        fail("a picture beyond the limits or not in a canvas format");
    const KeptRead again = decodeKept(encodeKept(p));
    if (!again.painting)
        fail("a painting that was read cannot be written and read again");
    const KeptPainting& q = *again.painting;
    if (q.drawing != p.drawing || q.picture != p.picture || q.picture.format() != p.picture.format()
        || q.backColor != p.backColor || q.closedNormally != p.closedNormally
        || std::memcmp(&q.pictureWidth, &p.pictureWidth, sizeof(double)) != 0
        || std::memcmp(&q.pictureHeight, &p.pictureHeight, sizeof(double)) != 0)
        fail("a painting written and read again is not the same painting");
    return 0;
}
