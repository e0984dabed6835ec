#include "files/PictureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QBuffer>
#include <cstring>

#include "files/AtomicWrite.h"
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
bool isTextFormat(const QByteArray& format, QIODevice* device)
{
    if (format == "xpm" || format == "xbm")
        return true;
    if (format == "pbm" || format == "pgm" || format == "ppm") {
        const QByteArray head = device ? device->peek(2) : QByteArray();
        return head.size() == 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '3';
    }
    return false;
}

// Decodes into a picture filled beforehand with fill, where the reader takes
// the one it is given (the reader decides; most of Qt's do for their usual
// formats). Pixels that the file does not deliver keep the fill.
bool decodeOver(const QString& fileName, bool byContent, uchar fill, QImage* picture, QImageReader::ImageReaderError* error)
{
    QImageReader reader(fileName);
    reader.setDecideFormatFromContent(byContent);
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (size.isValid() && !tooLarge(size) && format != QImage::Format_Invalid) {
        *picture = QImage(size, format);
        if (!picture->isNull())
            std::memset(picture->bits(), fill, static_cast<size_t>(picture->sizeInBytes()));
    } else {
        *picture = QImage();
    }
    const bool ok = reader.read(picture) && !picture->isNull();
    *error = reader.error();
    return ok;
}

// Whether the pixel at (x, y) is stored the same in both pictures, which
// have the same size and format.
bool samePixel(const QImage& a, const QImage& b, int x, int y)
{
    const int depth = a.depth();
    if (depth < 8)
        return a.pixelIndex(x, y) == b.pixelIndex(x, y);
    const int bytes = depth / 8;
    return std::memcmp(a.constScanLine(y) + x * bytes, b.constScanLine(y) + x * bytes, static_cast<size_t>(bytes)) == 0;
}

} // namespace

PictureLoad loadPicture(const QString& fileName)
{
    PictureLoad result;
    const QFileInfo info(fileName);
    if (!info.exists()) {
        result.error = QStringLiteral("ファイルが見つかりません。");
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("フォルダは画像として開けません。");
        return result;
    }
    if (!info.isFile()) { // a pipe or a device would never end or block the window
        result.error = QStringLiteral("通常のファイルではないため開けません。");
        return result;
    }
    if (info.size() == 0) {
        result.error = QStringLiteral("ファイルが空です。");
        return result;
    }
    if (info.size() > kMaxPictureFileBytes) {
        result.error = QStringLiteral("ファイルが大きすぎます（%1 MB まで）。").arg(kMaxPictureFileBytes >> 20);
        return result;
    }

    // The content decides first, so a picture under a misleading name still
    // opens; formats without a signature at their start (TGA) get a second
    // try by their suffix.
    // Qt refuses to decode more than 128 MB on its own; the program's limit
    // above is the one that counts (8 bytes a pixel for 16-bit pictures).
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * 8 / (1024 * 1024)) + 1);
    QByteArray contentFormat;
    for (const bool byContent : {true, false}) {
        QSize size;
        {
            QImageReader probe(fileName);
            probe.setDecideFormatFromContent(byContent);
            // Only the start of the file is looked at to tell its format.
            const QByteArray format = probe.format();
            if (byContent)
                contentFormat = format;
            else if (format == contentFormat)
                return result; // the same reader would fail the same way
            const bool text = isTextFormat(format, probe.device());
            if (text && info.size() > kMaxTextPictureFileBytes) {
                result.error = QStringLiteral("テキスト形式の画像として大きすぎます（%1 MB まで）。")
                                   .arg(kMaxTextPictureFileBytes >> 20);
                return result;
            }
            size = probe.size();
            // No text picture holds more than 8 pixels a byte (XBM's 0xFF):
            // one that claims more is cut short and is not worth decoding.
            if (text && size.isValid() && qint64(size.width()) * size.height() > 8 * info.size()) {
                result.error = readErrorText(QImageReader::InvalidDataError);
                return result;
            }
        }
        if (size.isValid() && tooLarge(size)) {
            result.error = tooLargeText(size);
            return result;
        }
        QImage picture;
        QImageReader::ImageReaderError error{};
        if (!decodeOver(fileName, byContent, 0x00, &picture, &error)) {
            if (byContent) {
                result.error = readErrorText(error);
                continue; // keeps the reason found by the content
            }
            return result;
        }
        if (tooLarge(picture.size())) {
            result.error = tooLargeText(picture.size());
            return result;
        }
        // A file that ends early leaves part of the picture undecoded: the
        // same file decoded over another fill shows which pixels those are,
        // and they become white, like an empty canvas. Where the reader made
        // its own picture, a second decoding that differs shows the same.
        // A picture in 32 bits without alpha from a fill of zeros has had
        // every pixel delivered when none is left with alpha 0.
        bool complete = false;
        if (picture.format() == QImage::Format_RGB32) {
            complete = true;
            for (int y = 0; y < picture.height() && complete; ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
                for (int x = 0; x < picture.width(); ++x)
                    if (qAlpha(row[x]) == 0) {
                        complete = false;
                        break;
                    }
            }
        }
        QImage missing; // Format_Mono mask: 1 where a pixel was not delivered
        if (!complete) {
            QImage other;
            if (decodeOver(fileName, byContent, 0xFF, &other, &error) && other.size() == picture.size()
                && other.format() == picture.format()) {
                const size_t rowBytes = (static_cast<size_t>(picture.width()) * picture.depth() + 7) / 8;
                for (int y = 0; y < picture.height(); ++y)
                    for (int x = 0; x < picture.width(); ++x) {
                        if (x == 0 && std::memcmp(picture.constScanLine(y), other.constScanLine(y), rowBytes) == 0)
                            break; // the whole row was delivered
                        if (!samePixel(picture, other, x, y)) {
                            if (missing.isNull()) {
                                missing = QImage(picture.size(), QImage::Format_Mono);
                                missing.fill(0);
                            }
                            missing.setPixel(x, y, 1);
                        }
                    }
            } else {
                result.error = readErrorText(error);
                return result;
            }
        }
        result.picture = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                           : QImage::Format_RGB32);
        if (!missing.isNull() && !result.picture.isNull())
            for (int y = 0; y < missing.height(); ++y)
                for (int x = 0; x < missing.width(); ++x)
                    if (missing.pixelIndex(x, y))
                        result.picture.setPixel(x, y, 0xFFFFFFFF);
        // A name like "scan@2x.png" makes the reader mark the picture for a
        // high-density screen; it is drawn pixel for pixel all the same.
        result.picture.setDevicePixelRatio(1);
        if (result.picture.isNull())
            result.error = QStringLiteral("画像を読み込むためのメモリが足りません。");
        else
            result.error.clear();
        return result;
    }
    return result;
}

QString savePicture(const QImage& image, const QString& fileName, const char* format, int quality)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return QStringLiteral("保存する範囲がありません。");
    const QFileInfo info(fileName);
    if (info.isDir())
        return QStringLiteral("同じ名前のフォルダがあるため書き込めません。");
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

} // namespace pemma
