// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ClipboardContent.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

namespace pemma {

bool writePng(const QImage& image, QIODevice* device)
{
    QImageWriter writer(device, "png");
    writer.setQuality(kPngQuality);
    return writer.write(image);
}

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kBmp = QStringLiteral("image/bmp");

// A buffer that refuses every write once told to stop: the PNG encoder then
// gives up at its next block instead of finishing a picture nobody wants.
class StoppableBuffer final : public QBuffer {
public:
    explicit StoppableBuffer(QByteArray* bytes, const std::atomic<bool>& stop) : QBuffer(bytes), stop_(stop) {}

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        return stop_.load(std::memory_order_relaxed) ? -1 : QBuffer::writeData(data, length);
    }

private:
    const std::atomic<bool>& stop_;
};

class CanvasCopy final : public QMimeData {
public:
    explicit CanvasCopy(const QImage& drawing) : picture_(drawing.copy())
    {
        // A copy of its own: the drawing goes on changing, the copy does not
        // (and the encoder never reads rows the window is writing).
        png_ = std::thread([this] {
            QByteArray bytes;
            StoppableBuffer buffer(&bytes, stop_);
            buffer.open(QIODevice::WriteOnly);
            if (!writePng(picture_, &buffer))
                bytes.clear();
            std::lock_guard lock(mutex_);
            encoded_[kPng] = bytes;
        });
    }
    ~CanvasCopy() override
    {
        stop_ = true;
        if (png_.joinable())
            png_.join();
    }

    QStringList formats() const override { return {kPng, kBmp}; }
    bool hasFormat(const QString& format) const override { return format == kPng || format == kBmp; }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override
    {
        if (format == kPng) {
            if (png_.joinable())
                png_.join();
        } else if (format != kBmp) {
            return {};
        }
        std::lock_guard lock(mutex_);
        auto found = encoded_.find(format);
        if (found == encoded_.end()) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!QImageWriter(&buffer, "bmp").write(picture_))
                bytes.clear();
            found = encoded_.emplace(format, bytes).first;
        }
        return found->second;
    }

private:
    const QImage picture_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    mutable std::map<QString, QByteArray> encoded_;
    mutable std::thread png_;
};

PasteSource nothing(const QString& name, const QString& reason)
{
    PasteSource source;
    source.name = name;
    source.reason = reason;
    return source;
}

const QString kClipboard = QStringLiteral("クリップボードの内容");

// The picture format to paste from: PNG first (lossless, and what most
// programs offer), then BMP, then any other picture format offered.
QString pictureFormat(const QStringList& formats)
{
    for (const char* preferred : {"image/png", "image/bmp", "image/x-bmp"})
        if (formats.contains(QLatin1String(preferred)))
            return QString::fromLatin1(preferred);
    for (const QString& format : formats)
        if (format.startsWith(QLatin1String("image/")))
            return format;
    return {};
}

// The lines of a list of names, as bytes (a name need not be UTF-8): blank
// lines and comments (text/uri-list's "#" lines) left out.
QByteArrayList nameLines(const QByteArray& bytes)
{
    QByteArrayList names;
    for (QByteArray line : bytes.split('\n')) {
        while (line.endsWith('\0')) // some programs end the list with one
            line.chop(1);
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith('#'))
            names << line;
    }
    return names;
}

// The names the clipboard offers, in the first of the forms file managers
// use that is present.
QByteArrayList offeredNames(const QMimeData& content, const QStringList& formats)
{
    if (formats.contains(QLatin1String("text/uri-list")))
        return nameLines(content.data(QStringLiteral("text/uri-list")));
    if (formats.contains(QLatin1String("x-special/gnome-copied-files"))) {
        QByteArrayList names = nameLines(content.data(QStringLiteral("x-special/gnome-copied-files")));
        if (!names.isEmpty()) // "copy" or "cut"
            names.removeFirst();
        return names;
    }
    if (formats.contains(QLatin1String("text/plain")))
        return nameLines(content.data(QStringLiteral("text/plain")));
    return {};
}

// An absolute path, or a URL (a scheme of one letter is a Windows drive).
bool looksLikeName(const QByteArray& line)
{
    if (line.startsWith('/'))
        return true;
    const QUrl url = QUrl::fromEncoded(line, QUrl::TolerantMode);
    return url.isValid() && url.scheme().size() >= 2;
}

bool isThisMachine(const QString& host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

} // namespace

std::unique_ptr<QMimeData> canvasCopy(const QImage& drawing) { return std::make_unique<CanvasCopy>(drawing); }

PasteSource pasteSourceOf(const QMimeData* content)
{
    if (!content)
        return nothing(kClipboard, QStringLiteral("クリップボードの内容を受け取れませんでした。"));
    const QStringList formats = content->formats();
    if (formats.isEmpty())
        return nothing(kClipboard, QStringLiteral("クリップボードが空です。"));

    const QString picture = pictureFormat(formats);
    if (!picture.isEmpty()) {
        PasteSource source;
        source.kind = PasteSource::Kind::Picture;
        source.bytes = content->data(picture);
        source.name = QStringLiteral("クリップボードの画像");
        return source;
    }

    const QByteArrayList names = offeredNames(*content, formats);
    const QString noPicture = QStringLiteral("クリップボードに画像も画像ファイルの名前もありません。");
    if (names.isEmpty() || !std::all_of(names.begin(), names.end(), looksLikeName))
        return nothing(kClipboard, noPicture);
    if (names.size() > 1)
        return nothing(kClipboard, QStringLiteral("複数のファイルは一度に開けません。"));
    // The file's name as bytes: a path as it is, a URL's as the bytes it
    // encodes.
    const QByteArray& name = names.first();
    QByteArray path = name;
    if (!name.startsWith('/')) {
        const QUrl url = QUrl::fromEncoded(name, QUrl::TolerantMode);
        if (!url.isLocalFile() || !isThisMachine(url.host()))
            return nothing(QString::fromUtf8(name), QStringLiteral("このコンピューターのファイルではありません。"));
        path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!path.startsWith('/'))
            return nothing(kClipboard, noPicture);
    }
    PasteSource source;
    source.kind = PasteSource::Kind::File;
    source.file = FileName::fromNative(path);
    source.name = source.file.shown;
    return source;
}

} // namespace pemma
