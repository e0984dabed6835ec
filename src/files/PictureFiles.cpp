#include "files/PictureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QBuffer>

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
    if (info.size() == 0) {
        result.error = QStringLiteral("ファイルが空です。");
        return result;
    }

    // The content decides first, so a picture under a misleading name still
    // opens; formats without a signature at their start (TGA) get a second
    // try by their suffix.
    // Qt refuses to decode more than 128 MB on its own; the program's limit
    // above is the one that counts (8 bytes a pixel for 16-bit pictures).
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * 8 / (1024 * 1024)) + 1);
    for (const bool byContent : {true, false}) {
        QImageReader reader(fileName);
        reader.setDecideFormatFromContent(byContent);
        const QSize size = reader.size();
        if (size.isValid() && tooLarge(size)) {
            result.error = tooLargeText(size);
            return result;
        }
        QImage picture;
        if (!reader.read(&picture) || picture.isNull()) {
            if (byContent) {
                result.error = readErrorText(reader.error());
                continue; // keeps the reason found by the content
            }
            return result;
        }
        if (tooLarge(picture.size())) {
            result.error = tooLargeText(picture.size());
            return result;
        }
        result.picture = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                           : QImage::Format_RGB32);
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
