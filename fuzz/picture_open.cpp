// SPDX-License-Identifier: GPL-3.0-or-later
// Picture open: any bytes, under any of the names the open command may be
// given, through the loading function the command uses. Never a crash; the
// same bytes load to the same picture every time, so no byte of memory the
// decoder did not write reaches the picture; a picture that loads is within
// the size limits and in the canvas's format.
//
// The first input byte picks the file name's suffix (formats without a
// signature are found by it) with its low four bits; its high four bits, when
// not 0, cut the file right after the load has checked it, as another program
// shortening it would, to 0/15 ... 14/15 of its length. Such a load gives
// what a file of the bytes left gives. The rest of the input is the file.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sanitizer/allocator_interface.h>
#include <unistd.h>

#include "files/FileRead.h"

#include "files/PictureFiles.h"

using namespace pemma;

namespace {

// Fresh heap blocks are filled with a different byte on each of the two
// loads, so a picture that shows memory nobody wrote differs between them.
// Only blocks from the sanitizer's small-block allocator are filled: large
// ones come straight from the system, zeroed, and calloc relies on that.
volatile int fillByte = -1;
constexpr size_t kMaxFilled = 64 * 1024;

void onMalloc(const volatile void* ptr, size_t size)
{
    const int b = fillByte;
    if (b >= 0 && ptr && size <= kMaxFilled)
        std::memset(const_cast<void*>(ptr), b, size);
}
void onFree(const volatile void*) {}

QString fileStem;

const char* const kSuffixes[] = {"", ".bmp", ".jpg", ".png", ".gif", ".tga", ".tif", ".webp",
                                 ".ico", ".xpm", ".pbm", ".ppm", ".xbm", ".icns", ".wbmp", ".mng"};

[[noreturn]] void fail(const char* what, const QString& name)
{
    std::fprintf(stderr, "picture open: %s (%s)\n", what, qPrintable(name));
    std::abort();
}

void writeFile(const QString& name, const uint8_t* data, size_t size)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail("cannot write the input file", name);
}

// Loads the file written from data; with cutTo >= 0 the file is cut to that
// many bytes between the load's check of it and its reading.
PictureLoad loadWithFill(const QString& name, const uint8_t* data, size_t size, qint64 cutTo, int fill)
{
    writeFile(name, data, size);
    if (cutTo >= 0)
        afterOpenedFileCheckForTesting = [&] {
            if (::truncate(QFile::encodeName(name).constData(), cutTo) != 0)
                fail("cannot cut the input file", name);
        };
    fillByte = fill;
    PictureLoad load = loadPicture(name);
    fillByte = -1;
    afterOpenedFileCheckForTesting = nullptr;
    return load;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The image plugins (TIFF, WebP, TGA, ...) are found through the application.
    static QCoreApplication app(*argc, *argv);
    // The decoders' complaints about damaged files would drown the fuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    fileStem = QStringLiteral("%1/pemma-fuzz-picture-%2").arg(QString::fromLatin1(dir)).arg(getpid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return -1;
    const QString name = fileStem + QString::fromLatin1(kSuffixes[data[0] % std::size(kSuffixes)]);
    const int cut = data[0] / 16;
    const qint64 cutTo = cut == 0 ? -1 : qint64(size - 1) * (cut - 1) / 15;

    const PictureLoad first = loadWithFill(name, data + 1, size - 1, cutTo, 0x00);
    const PictureLoad second = loadWithFill(name, data + 1, size - 1, cutTo, 0xA5);
    if (cutTo >= 0) {
        const PictureLoad left = loadWithFill(name, data + 1, size_t(cutTo), -1, 0x00);
        if (left.error != first.error || left.picture != first.picture)
            fail("a file cut after its check loads otherwise than a file of the bytes left", name);
    }
    QFile::remove(name);

    if (first.picture.isNull() == first.error.isEmpty())
        fail("a load gives both a picture and an error, or neither", name);
    if (first.error != second.error)
        fail("two loads of the same bytes give different errors", name);
    if (first.picture != second.picture)
        fail("two loads of the same bytes give different pictures (memory the decoder never wrote)", name);
    if (!first.picture.isNull()) {
        const QImage& p = first.picture;
        if (p.width() > kMaxPictureSide || p.height() > kMaxPictureSide
            || qint64(p.width()) * p.height() > kMaxPicturePixels)
            fail("a picture beyond the size limits was opened", name);
        if (p.format() != QImage::Format_RGB32 && p.format() != QImage::Format_ARGB32_Premultiplied)
            fail("an opened picture is not in a canvas format", name);
        if (p.devicePixelRatio() != 1)
            fail("an opened picture is not drawn pixel for pixel", name);
    }
    return 0;
}
