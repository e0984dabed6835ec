// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PictureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QBuffer>
#include <QtEndian>
#include <cstring>

#include "files/AtomicWrite.h"
#include "files/FileRead.h"
#include "state/Rounding.h"

namespace pemma {

namespace {

bool tooLarge(const QSize& size)
{
    return size.width() > kMaxPictureSide || size.height() > kMaxPictureSide
        || qint64(size.width()) * size.height() > kMaxPicturePixels;
}

QString tooLargeText(const QSize& size)
{
    return QStringLiteral("画像が大きすぎます（%1×%2 ピクセル）。").arg(size.width()).arg(size.height());
}

QString readErrorText(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("ファイルが見つかりません。");
    case QImageReader::DeviceError:
        return QStringLiteral("ファイルを読み込めません。");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("画像の形式として認識できません。");
    case QImageReader::InvalidDataError:
        return QStringLiteral("画像のデータが壊れているか、途中で切れています。");
    default:
        return QStringLiteral("画像として読み込めません。");
    }
}

} // namespace

namespace {

// Text formats whose readers take in the whole file before they know the
// picture's size; a real one is rarely more than a few megabytes.
bool isTextFormat(const QByteArray& format, const QByteArray& bytes)
{
    if (format == "xpm" || format == "xbm")
        return true;
    if (format == "pbm" || format == "pgm" || format == "ppm")
        return bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '3';
    return false;
}

// Icons (ICO, CUR) are decoded into a picture the reader makes itself, and
// pixel rows it cannot read stay as they were in memory. So every icon of
// the file must be one the reader takes whole: a plain header, a known depth,
// no compression, and all its colours, rows and mask inside the file.
bool iconIsWhole(const QByteArray& file)
{
    auto u16 = [](const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    auto u32 = [](const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const qint64 size = file.size();
    const QByteArray head = file.left(6);
    if (head.size() < 6)
        return false;
    const int count = u16(head, 4);
    const QByteArray entries = file.mid(6, 16 * qsizetype(count));
    if (entries.size() < 16 * count)
        return false;
    for (int i = 0; i < count; ++i) {
        const qint64 offset = u32(entries, 16 * i + 12);
        if (offset > size)
            return false;
        const QByteArray dib = file.mid(static_cast<qsizetype>(offset), 40);
        // A PNG inside (its whole signature, as the reader looks for it)
        // refuses to open when cut short.
        if (dib.startsWith(QByteArray::fromRawData("\x89PNG\r\n\x1A\n", 8)))
            continue;
        if (dib.size() < 40 || u32(dib, 0) != 40 || u16(dib, 12) != 1 || u32(dib, 16) != 0)
            return false;
        const qint64 width = qint32(u32(dib, 4)), height = qint32(u32(dib, 8)) / 2;
        const int bits = u16(dib, 14);
        const quint32 used = u32(dib, 32);
        if (width <= 0 || height <= 0 || width > 1024 || height > 1024
            || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
            return false;
        qint64 colours = 0;
        if (bits <= 8) {
            colours = qint64(1) << bits;
            if (used > colours)
                return false;
            if (used != 0)
                colours = used;
        }
        const qint64 rows = (width * bits + 31) / 32 * 4 * height;
        const qint64 mask = (width + 31) / 32 * 4 * height;
        if (offset + 40 + 4 * colours + rows + mask > size)
            return false;
    }
    return true;
}

// Qt's GIF reader paints the screen around a first frame smaller than the
// screen in the background colour, and when that frame has a colour table of
// its own, it takes the colour from that table before reading it: memory
// nobody wrote. Such a frame takes none of its colours from the file's global
// table, so the file is decoded without that table; around the frame the
// picture then stays black, as in a GIF that has no global table. Gives the
// bytes to decode instead of the file, or nothing when the file is fine.
QByteArray gifToDecode(const QByteArray& file)
{
    const qint64 size = file.size();
    const uchar* bytes = reinterpret_cast<const uchar*>(file.constData());
    if (size < 13 || std::memcmp(bytes, "GIF8", 4) != 0)
        return {};
    const uchar flags = bytes[10];
    if (!(flags & 0x80))
        return {};
    const qint64 globalBytes = 3 * (qint64(2) << (flags & 7));
    // The blocks up to the first frame, read the way Qt's reader reads them.
    qint64 at = 13 + globalBytes;
    while (at < size) {
        const uchar introducer = bytes[at++];
        if (introducer == ',') {
            // The frame's description: position, size, then its flags.
            if (at + 9 > size || !(bytes[at + 8] & 0x80))
                return {};
            QByteArray decoded = file;
            decoded[10] = static_cast<char>(flags & ~0x80);
            decoded.remove(13, globalBytes);
            return decoded;
        }
        if (introducer != '!' || at >= size)
            return {};
        const uchar label = bytes[at++];
        // Qt reads the first block of these two whole even when it is empty.
        if ((label == 0xF9 || label == 0xFF) && at < size)
            at += 1 + bytes[at];
        // Then blocks up to an empty one.
        while (at < size) {
            const uchar length = bytes[at++];
            if (length == 0)
                break;
            at += length;
        }
    }
    return {};
}

// Decodes into a picture filled beforehand with fill, where the reader takes
// the one it is given (most of Qt's readers do for their usual formats):
// pixels that the file does not deliver keep the fill. Of the readers that
// make a picture of their own, those of GIF, WebP, XPM, WBMP and TGA fill it
// or fail when the file ends early; icons are checked whole beforehand.
struct Decoded {
    QImage picture;
    bool ownBuffer = false; // the reader decoded into the prefilled picture
};

// A reader of the bytes in memory: by their content when byName is empty,
// otherwise by the format the name's suffix gives first, as a reader of the
// named file would.
class BytesReader {
public:
    BytesReader(const QByteArray& bytes, const QByteArray& byName)
    {
        buffer_.setData(bytes);
        buffer_.open(QIODevice::ReadOnly);
        reader_.setDevice(&buffer_);
        reader_.setFormat(byName);
        reader_.setDecideFormatFromContent(byName.isEmpty());
    }
    QImageReader& operator*() { return reader_; }
    QImageReader* operator->() { return &reader_; }

private:
    QBuffer buffer_;
    QImageReader reader_;
};

bool decodeOver(const QByteArray& bytes, const QByteArray& byName, uchar fill, Decoded* out,
                QImageReader::ImageReaderError* error)
{
    BytesReader source(bytes, byName);
    QImageReader& reader = *source;
    QSize size = reader.size();
    // A BMP stored top-down tells its height as a negative number.
    if (size.width() > 0 && size.height() < 0 && size.height() > -kMaxPictureSide - 1)
        size.setHeight(-size.height());
    const QImage::Format format = reader.imageFormat();
    QImage& picture = out->picture;
    picture = QImage();
    if (size.isValid() && !tooLarge(size) && format != QImage::Format_Invalid) {
        picture = QImage(size, format);
        if (!picture.isNull())
            std::memset(picture.bits(), fill, static_cast<size_t>(picture.sizeInBytes()));
    }
    const uchar* prefilled = picture.isNull() ? nullptr : picture.constBits();
    const bool ok = reader.read(&picture) && !picture.isNull();
    *error = reader.error();
    out->ownBuffer = ok && prefilled && picture.constBits() == prefilled;
    return ok;
}

QImage::Format shownFormat(const QImage& picture)
{
    return picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

// Every pixel of a picture in 32 bits without alpha that was decoded over a
// fill of zeros has been delivered when none is left with alpha 0.
bool allDelivered(const Decoded& d)
{
    const QImage& p = d.picture;
    if (!d.ownBuffer || p.format() != QImage::Format_RGB32)
        return false;
    for (int y = 0; y < p.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        for (int x = 0; x < p.width(); ++x)
            if (qAlpha(row[x]) == 0)
                return false;
    }
    return true;
}

// Pixels whose stored bytes or shown colour differ between the two
// decodings: the file did not deliver them. Turns them white in shown.
void whitenUndelivered(const QImage& a, const QImage& b, QImage* shown)
{
    const QImage other = b.convertToFormat(shown->format());
    const bool sameStorage = a.format() == b.format() && a.depth() >= 8;
    const int pixelBytes = a.depth() / 8;
    const size_t rowBytes = static_cast<size_t>(pixelBytes) * static_cast<size_t>(a.width());
    const int width = shown->width();
    for (int y = 0; y < shown->height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(shown->scanLine(y));
        const QRgb* otherRow = reinterpret_cast<const QRgb*>(other.constScanLine(y));
        const uchar* storedA = a.constScanLine(y);
        const uchar* storedB = b.constScanLine(y);
        const bool storedSame = !sameStorage || std::memcmp(storedA, storedB, rowBytes) == 0;
        if (storedSame && std::memcmp(row, otherRow, sizeof(QRgb) * static_cast<size_t>(width)) == 0)
            continue; // the whole row was delivered
        for (int x = 0; x < width; ++x) {
            bool differs = row[x] != otherRow[x];
            for (int k = 0; !differs && !storedSame && k < pixelBytes; ++k)
                differs = storedA[x * pixelBytes + k] != storedB[x * pixelBytes + k];
            if (differs)
                row[x] = 0xFFFFFFFF;
        }
    }
}

// The suffix of the name's last part, in small letters: the format a reader
// of the named file tries first.
QByteArray suffixOf(const QByteArray& name)
{
    const QByteArray last = name.mid(name.lastIndexOf('/') + 1);
    const qsizetype dot = last.lastIndexOf('.');
    return dot < 0 ? QByteArray() : last.mid(dot + 1).toLower();
}

// Decodes a picture file held in memory; name gives the suffix.
PictureLoad decodePicture(const QByteArray& bytes, const QByteArray& name)
{
    PictureLoad result;
    // The content decides first, so a picture under a misleading name still
    // opens; formats without a signature at their start (TGA) get a second
    // try by their suffix.
    // Qt refuses to decode more than 128 MB on its own; the program's limit
    // above is the one that counts (8 bytes a pixel for 16-bit pictures).
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * 8 / (1024 * 1024)) + 1);
    QByteArray contentFormat;
    for (const bool byContent : {true, false}) {
        const QByteArray byName = byContent ? QByteArray() : suffixOf(name);
        QSize size;
        QByteArray replacement;
        {
            BytesReader probe(bytes, byName);
            // Only the start of the file is looked at to tell its format.
            const QByteArray format = byContent ? probe->format() : byName;
            if (byContent)
                contentFormat = format;
            else if (format.isEmpty() || format == contentFormat)
                return result; // the same reader would fail the same way
            // What the suffix alone names and is refused here keeps the
            // reason the content gave.
            const bool text = isTextFormat(format, bytes);
            if (text && bytes.size() > kMaxTextPictureFileBytes) {
                if (byContent)
                    result.error = QStringLiteral("テキスト形式の画像として大きすぎます（%1 MB まで）。")
                                       .arg(kMaxTextPictureFileBytes >> 20);
                return result;
            }
            if ((format == "ico" || format == "cur") && !iconIsWhole(bytes)) {
                if (byContent)
                    result.error = readErrorText(QImageReader::InvalidDataError);
                return result;
            }
            if (format == "gif")
                replacement = gifToDecode(bytes);
            size = probe->size();
            // No text picture holds more than 8 pixels a byte (XBM's 0xFF):
            // one that claims more is cut short and is not worth decoding.
            if (text && size.isValid() && qint64(size.width()) * size.height() > 8 * bytes.size()) {
                if (byContent)
                    result.error = readErrorText(QImageReader::InvalidDataError);
                return result;
            }
        }
        if (size.isValid() && tooLarge(size)) {
            result.error = tooLargeText(size);
            return result;
        }
        // A GIF decoded without its global table is read by its content.
        const QByteArray& decoded = replacement.isEmpty() ? bytes : replacement;
        const QByteArray decodedBy = replacement.isEmpty() ? byName : QByteArray();
        Decoded first;
        QImageReader::ImageReaderError error{};
        if (!decodeOver(decoded, decodedBy, 0x00, &first, &error)) {
            if (byContent) {
                result.error = readErrorText(error);
                continue; // keeps the reason found by the content
            }
            return result;
        }
        if (tooLarge(first.picture.size())) {
            result.error = tooLargeText(first.picture.size());
            return result;
        }
        result.picture = first.picture.convertToFormat(shownFormat(first.picture));
        // A file that ends early leaves part of the picture undecoded: the
        // same file decoded over another fill shows which pixels those are,
        // and they become white, like an empty canvas.
        if (!allDelivered(first) && !result.picture.isNull()) {
            Decoded second;
            if (!decodeOver(decoded, decodedBy, 0xFF, &second, &error)
                || second.picture.size() != first.picture.size()) {
                result.picture = QImage();
                result.error = readErrorText(error);
                return result;
            }
            whitenUndelivered(first.picture, second.picture, &result.picture);
        }
        // A name like "scan@2x.png" would make a reader of the named file
        // mark the picture for a high-density screen; it is drawn pixel for
        // pixel all the same.
        result.picture.setDevicePixelRatio(1);
        if (result.picture.isNull())
            result.error = QStringLiteral("画像を読み込むためのメモリが足りません。");
        else
            result.error.clear();
        return result;
    }
    return result;
}

} // namespace

PictureLoad loadPicture(const FileName& name)
{
    PictureLoad result;
    // Opened once: the checks below and every decoder see this one file,
    // whatever its name leads to by then.
    OpenedFile file(name.native);
    switch (file.kind()) {
    case OpenedFile::Kind::Missing:
        result.error = QStringLiteral("ファイルが見つかりません。");
        return result;
    case OpenedFile::Kind::Folder:
        result.error = QStringLiteral("フォルダは画像として開けません。");
        return result;
    case OpenedFile::Kind::Other: // a pipe or a device would never end or block the window
        result.error = QStringLiteral("通常のファイルではないため開けません。");
        return result;
    case OpenedFile::Kind::Failed:
        result.error = readErrorText(QImageReader::DeviceError);
        return result;
    case OpenedFile::Kind::Regular:
        break;
    }
    if (file.size() == 0) {
        result.error = QStringLiteral("ファイルが空です。");
        return result;
    }
    if (file.size() > kMaxPictureFileBytes) {
        result.error = QStringLiteral("ファイルが大きすぎます（%1 MB まで）。").arg(kMaxPictureFileBytes >> 20);
        return result;
    }
    // The decoders read the bytes from memory: all of them see the same
    // bytes, those the checks saw, even when the file changes meanwhile.
    QByteArray bytes;
    if (!file.readStart(kMaxPictureFileBytes, &bytes)) {
        result.error = readErrorText(QImageReader::DeviceError);
        return result;
    }
    if (bytes.isEmpty()) {
        result.error = QStringLiteral("ファイルが空です。");
        return result;
    }
    return decodePicture(bytes, name.native);
}

PictureLoad loadPicture(const QString& fileName) { return loadPicture(FileName::fromText(fileName)); }

QString savePicture(const QImage& image, const QString& fileName, const char* format, int quality)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return QStringLiteral("保存する範囲がありません。");
    const QFileInfo info(fileName);
    if (info.isDir())
        return QStringLiteral("同じ名前のフォルダがあるため書き込めません。");
    // A pipe, a device (or a link to one) is never replaced.
    if (info.exists() && !info.isFile())
        return QStringLiteral("通常のファイルではないため書き込めません。");
    if (!info.absoluteDir().exists())
        return QStringLiteral("保存先のフォルダがありません。");

    // The whole file is made in memory first; it replaces the target only
    // once every byte of it is on the disk (see replaceFile).
    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (quality >= 0)
            writer.setQuality(quality);
        if (!writer.write(image))
            return QStringLiteral("画像を書き出せませんでした（%1）。").arg(writer.errorString());
    }
    const QString failure = replaceFile(fileName, encoded);
    if (!failure.isEmpty())
        return QStringLiteral("書き込みに失敗しました（%1）。").arg(failure);
    return {};
}

int pixelsToHimetric(int pixels, double twipsPerPixel)
{
    // dpi = 1440 / twipsPerPixel; 2540 hundredths of a millimetre per inch.
    return roundHalfEven(pixels * 2540.0 * twipsPerPixel / 1440.0);
}

// Bytes that come from elsewhere than a file (the clipboard) are decoded as a
// file of these bytes would be, under the same caps; without a name, the
// content alone tells the format.
PictureLoad loadPictureData(const QByteArray& bytes)
{
    PictureLoad result;
    if (bytes.isEmpty())
        result.error = QStringLiteral("画像のデータが空です。");
    else if (bytes.size() > kMaxPictureFileBytes)
        result.error = QStringLiteral("画像のデータが大きすぎます（%1 MB まで）。").arg(kMaxPictureFileBytes >> 20);
    else
        result = decodePicture(bytes, QByteArray());
    return result;
}

} // namespace pemma
