// SPDX-License-Identifier: GPL-3.0-or-later
#include "keep/KeptFile.h"

#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "canvas/Canvas.h"
#include "files/FileRead.h"

namespace pemma {

namespace {

constexpr char kMagic[8] = {'P', 'M', 'R', 'K', 'E', 'E', 'P', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kCountMask = 0x3FFFFFFF;
constexpr std::uint32_t kLiteral = 0u << 30, kRun = 1u << 30, kBase = 2u << 30;
// Offsets in the header.
enum : int {
    kVersionAt = 8, kDrawingSizeAt = 16, kBackAt = 24, kPictureSizeAt = 28, kPictureFormatAt = 36,
    kPictureMeasureAt = 40, kPartBytesAt = 56, kPartHashAt = 72, kHeaderHashAt = 88
};
// Picture sizes in the painting's own measure are lengths on the screen;
// nothing larger than this comes from the program.
constexpr double kMostPictureMeasure = 1e9;

// xxHash64's primes and rounds.
constexpr std::uint64_t P1 = 0x9E3779B185EBCA87ull, P2 = 0xC2B2AE3D27D4EB4Full, P3 = 0x165667B19E3779F9ull,
                        P4 = 0x85EBCA77C2B2AE63ull, P5 = 0x27D4EB2F165667C5ull;
inline std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }
inline std::uint64_t read64(const unsigned char* p) { return qFromLittleEndian<std::uint64_t>(p); }
inline std::uint32_t read32(const unsigned char* p) { return qFromLittleEndian<std::uint32_t>(p); }
inline std::uint64_t round64(std::uint64_t acc, std::uint64_t input) { return rotl(acc + input * P2, 31) * P1; }
inline std::uint64_t merge64(std::uint64_t acc, std::uint64_t v) { return (acc ^ round64(0, v)) * P1 + P4; }

void put32(QByteArray& b, int at, std::uint32_t v) { qToLittleEndian(v, b.data() + at); }
void put64(QByteArray& b, int at, std::uint64_t v) { qToLittleEndian(v, b.data() + at); }
void putDouble(QByteArray& b, int at, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put64(b, at, bits);
}
std::uint32_t get32(const char* h, int at) { return read32(reinterpret_cast<const unsigned char*>(h) + at); }
std::uint64_t get64(const char* h, int at) { return read64(reinterpret_cast<const unsigned char*>(h) + at); }
double getDouble(const char* h, int at)
{
    const std::uint64_t bits = get64(h, at);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::uint64_t headerHash(const char* h)
{
    char copy[kHeaderHashAt];
    std::memcpy(copy, h, sizeof copy);
    std::memset(copy + kKeptFlagsOffset, 0, 4);
    return keptHash(copy, sizeof copy, 0x4B455054);
}

// The background a drawing starts from, row by row: the picture at its place
// over the background colour. Only a guess the drawing part is told against,
// the same on writing and reading, so it need not be exactly what painting
// the picture gives.
class BackgroundRows {
public:
    BackgroundRows(int width, Colour back, const QImage& picture)
        : row_(static_cast<std::size_t>(width)), picture_(picture),
          back_(Canvas::toRgb(back < 0 ? kBlack : back)), covered_(std::min(width, picture.width()))
    {
    }
    const std::uint32_t* row(int y)
    {
        if (y != y_) {
            y_ = y;
            std::size_t from = 0;
            if (y < picture_.height() && covered_ > 0) {
                std::memcpy(row_.data(), picture_.constScanLine(y), covered_ * sizeof(std::uint32_t));
                from = static_cast<std::size_t>(covered_);
            }
            std::fill(row_.begin() + static_cast<std::ptrdiff_t>(from), row_.end(), back_);
        }
        return row_.data();
    }

private:
    std::vector<std::uint32_t> row_;
    const QImage& picture_;
    std::uint32_t back_;
    int covered_;
    int y_ = -1;
};

// Appends control words and pixels, joining what follows on from the last
// control word of the same kind.
class PartWriter {
public:
    explicit PartWriter(std::vector<std::uint32_t>& out) : out_(out) {}
    void literal(const std::uint32_t* p, std::size_t n)
    {
        if (!extend(kLiteral, n))
            open(kLiteral, n);
        out_.insert(out_.end(), p, p + n);
    }
    void run(std::uint32_t pixel, std::size_t n)
    {
        if (!(last_ != kNone && out_[last_] >> 30 == 1 && out_[last_ + 1] == pixel && extend(kRun, n))) {
            open(kRun, n);
            out_.push_back(pixel);
        }
    }
    void base(std::size_t n)
    {
        if (!extend(kBase, n))
            open(kBase, n);
    }

private:
    static constexpr std::size_t kNone = ~std::size_t(0);
    bool extend(std::uint32_t kind, std::size_t n)
    {
        if (last_ == kNone || (out_[last_] & ~kCountMask) != kind || (out_[last_] & kCountMask) + n > kCountMask)
            return false;
        // A literal goes on only while nothing follows its pixels yet.
        if (kind == kLiteral && last_ + 1 + (out_[last_] & kCountMask) != out_.size())
            return false;
        out_[last_] += static_cast<std::uint32_t>(n);
        return true;
    }
    void open(std::uint32_t kind, std::size_t n)
    {
        last_ = out_.size();
        out_.push_back(kind | static_cast<std::uint32_t>(n));
    }
    std::vector<std::uint32_t>& out_;
    std::size_t last_ = kNone;
};

// The pixels of an image (32-bit, rows `stride` words apart) as a part.
// Equal pixels become runs from three on, pixels equal to the background from
// two on: a run or a background word never costs more than its pixels, so a
// part is at most its pixels and one word.
QByteArray encodePart(const std::uint32_t* pixels, qsizetype stride, int width, int height, BackgroundRows* background)
{
    std::vector<std::uint32_t> words;
    words.reserve(1024);
    PartWriter out(words);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* p = pixels + y * stride;
        const std::uint32_t* b = background ? background->row(y) : nullptr;
        int x = 0;
        while (x < width) {
            if (b && p[x] == b[x]) {
                int k = 1;
                while (x + k < width && p[x + k] == b[x + k])
                    ++k;
                if (k >= 2) {
                    out.base(static_cast<std::size_t>(k));
                    x += k;
                    continue;
                }
            }
            const std::uint32_t v = p[x];
            int k = 1;
            while (x + k < width && p[x + k] == v)
                ++k;
            if (k >= 3) {
                out.run(v, static_cast<std::size_t>(k));
                x += k;
                continue;
            }
            // Pixels as they are, up to where a run of three or two pixels
            // of the background begin.
            const int from = x;
            x += k;
            while (x < width && !(x + 2 < width && p[x] == p[x + 1] && p[x] == p[x + 2])
                   && !(b && x + 1 < width && p[x] == b[x] && p[x + 1] == b[x + 1]))
                ++x;
            out.literal(p + from, static_cast<std::size_t>(x - from));
        }
    }
    QByteArray bytes(static_cast<qsizetype>(words.size() * sizeof(std::uint32_t)), Qt::Uninitialized);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        qToLittleEndian<std::uint32_t>(words.data(), static_cast<qsizetype>(words.size()), bytes.data());
    else
        std::memcpy(bytes.data(), words.data(), static_cast<std::size_t>(bytes.size()));
    return bytes;
}

// Fills `pixels` (width x height, rows packed) from a part; false with the
// reason when the part does not give exactly that many pixels.
bool decodePart(const char* part, qint64 bytes, std::uint32_t* pixels, int width, int height,
                BackgroundRows* background, QString* error)
{
    const auto* w = reinterpret_cast<const unsigned char*>(part);
    const std::size_t words = static_cast<std::size_t>(bytes / 4);
    const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::size_t pos = 0, i = 0;
    auto fail = [error](const char* why) {
        *error = QString::fromLatin1(why);
        return false;
    };
    while (i < words) {
        const std::uint32_t control = read32(w + 4 * i++);
        const std::size_t n = control & kCountMask;
        if (n == 0 || n > total - pos)
            return fail("pixel counts do not add up to the drawing's size");
        switch (control & ~kCountMask) {
        case kLiteral:
            if (n > words - i)
                return fail("pixels missing");
            if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
                qFromLittleEndian<std::uint32_t>(w + 4 * i, static_cast<qsizetype>(n), pixels + pos);
            else
                std::memcpy(pixels + pos, w + 4 * i, n * 4);
            i += n;
            break;
        case kRun:
            if (i >= words)
                return fail("pixels missing");
            std::fill(pixels + pos, pixels + pos + n, read32(w + 4 * i++));
            break;
        case kBase: {
            if (!background)
                return fail("background pixels in a part without a background");
            std::size_t left = n, at = pos;
            while (left > 0) {
                const int y = static_cast<int>(at / static_cast<std::size_t>(width));
                const int x = static_cast<int>(at % static_cast<std::size_t>(width));
                const std::size_t take = std::min<std::size_t>(left, static_cast<std::size_t>(width - x));
                std::memcpy(pixels + at, background->row(y) + x, take * 4);
                at += take;
                left -= take;
            }
            break;
        }
        default:
            return fail("unknown control word");
        }
        pos += n;
    }
    if (pos != total)
        return fail("pixels missing");
    return true;
}

bool withinLimits(std::uint32_t w, std::uint32_t h)
{
    return w >= 1 && h >= 1 && w <= static_cast<std::uint32_t>(kMaxPictureSide)
        && h <= static_cast<std::uint32_t>(kMaxPictureSide) && qint64(w) * h <= kMaxPicturePixels;
}

struct Header {
    int drawingW = 0, drawingH = 0;
    Colour back = 0;
    int pictureW = 0, pictureH = 0;
    QImage::Format pictureFormat = QImage::Format_Invalid;
    double pictureWidth = 0, pictureHeight = 0;
    qint64 drawingBytes = 0, pictureBytes = 0;
    std::uint64_t drawingHash = 0, pictureHash = 0;
    bool pictureApart = false;
    bool closedNormally = false;
};

// Everything the header says, checked against itself and the file's size.
bool parseHeader(const char* h, qint64 fileSize, Header& out, QString* error)
{
    auto fail = [error](const char* why) {
        *error = QString::fromLatin1(why);
        return false;
    };
    if (std::memcmp(h, kMagic, sizeof kMagic) != 0)
        return fail("not a kept painting");
    if (get32(h, kVersionAt) != kVersion)
        return fail("a version this program does not read");
    if (get64(h, kHeaderHashAt) != headerHash(h))
        return fail("damaged header");
    const std::uint32_t dw = get32(h, kDrawingSizeAt), dh = get32(h, kDrawingSizeAt + 4);
    const std::uint32_t pw = get32(h, kPictureSizeAt), ph = get32(h, kPictureSizeAt + 4);
    const std::uint32_t format = get32(h, kPictureFormatAt);
    if (!withinLimits(dw, dh))
        return fail("drawing beyond the size limits");
    if (format > 4 || (format == 0 && (pw != 0 || ph != 0)) || (format != 0 && !withinLimits(pw, ph)))
        return fail("picture beyond the size limits");
    out.drawingW = static_cast<int>(dw);
    out.drawingH = static_cast<int>(dh);
    out.back = static_cast<Colour>(get32(h, kBackAt));
    out.pictureW = static_cast<int>(pw);
    out.pictureH = static_cast<int>(ph);
    out.pictureFormat = format == 0 ? QImage::Format_Invalid
                      : format % 2  ? QImage::Format_RGB32
                                    : QImage::Format_ARGB32_Premultiplied;
    out.pictureApart = format > 2;
    out.pictureWidth = getDouble(h, kPictureMeasureAt);
    out.pictureHeight = getDouble(h, kPictureMeasureAt + 8);
    for (double v : {out.pictureWidth, out.pictureHeight})
        if (!std::isfinite(v) || std::fabs(v) > kMostPictureMeasure)
            return fail("picture size out of range");
    const std::uint64_t db = get64(h, kPartBytesAt), pb = get64(h, kPartBytesAt + 8);
    const std::uint64_t mostDrawing = 4 * (std::uint64_t(dw) * dh + 1);
    const std::uint64_t mostPicture = format ? 4 * (std::uint64_t(pw) * ph + 1) : 0;
    if (db % 4 || pb % 4 || db > mostDrawing || pb > mostPicture || (format && pb == 0))
        return fail("pixel part sizes out of range");
    const std::uint64_t inFile = kKeptHeaderBytes + db + (out.pictureApart ? 0 : pb);
    if (std::uint64_t(fileSize) != inFile)
        return fail(std::uint64_t(fileSize) < inFile ? "cut short" : "longer than it says");
    out.drawingBytes = static_cast<qint64>(db);
    out.pictureBytes = static_cast<qint64>(pb);
    out.drawingHash = get64(h, kPartHashAt);
    out.pictureHash = get64(h, kPartHashAt + 8);
    out.closedNormally = get32(h, kKeptFlagsOffset) & kKeptClosedNormally;
    return true;
}

KeptRead decodeBody(const Header& h, const char* body, const QByteArray* apart)
{
    KeptRead r;
    const char* drawingPart = body;
    const char* picturePart = body + h.drawingBytes;
    if (h.pictureApart) {
        if (!apart || apart->size() != h.pictureBytes) {
            r.error = QStringLiteral("its picture's file is missing or cut short");
            return r;
        }
        picturePart = apart->constData();
    }
    if (keptHash(drawingPart, static_cast<std::size_t>(h.drawingBytes), 1) != h.drawingHash
        || keptHash(picturePart, static_cast<std::size_t>(h.pictureBytes), 2) != h.pictureHash) {
        r.error = QStringLiteral("damaged pixels");
        return r;
    }
    KeptPainting p;
    p.backColor = h.back;
    p.pictureWidth = h.pictureWidth;
    p.pictureHeight = h.pictureHeight;
    p.closedNormally = h.closedNormally;
    if (h.pictureFormat != QImage::Format_Invalid) {
        p.picture = QImage(h.pictureW, h.pictureH, h.pictureFormat);
        if (p.picture.isNull()) {
            r.error = QStringLiteral("not enough memory for the picture");
            return r;
        }
        if (!decodePart(picturePart, h.pictureBytes, reinterpret_cast<std::uint32_t*>(p.picture.bits()),
                        h.pictureW, h.pictureH, nullptr, &r.error))
            return r;
    }
    p.drawing = QImage(h.drawingW, h.drawingH, QImage::Format_RGB32);
    if (p.drawing.isNull()) {
        r.error = QStringLiteral("not enough memory for the drawing");
        return r;
    }
    BackgroundRows background(h.drawingW, h.back, p.picture);
    if (!decodePart(drawingPart, h.drawingBytes, reinterpret_cast<std::uint32_t*>(p.drawing.bits()), h.drawingW,
                    h.drawingH, p.picture.isNull() ? nullptr : &background, &r.error))
        return r;
    r.painting = std::move(p);
    return r;
}

} // namespace

std::uint64_t keptHash(const void* data, std::size_t size, std::uint64_t seed)
{
    const auto* p = static_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    std::uint64_t h;
    if (size >= 32) {
        std::uint64_t v1 = seed + P1 + P2, v2 = seed + P2, v3 = seed, v4 = seed - P1;
        const unsigned char* const limit = end - 32;
        do {
            v1 = round64(v1, read64(p));
            v2 = round64(v2, read64(p + 8));
            v3 = round64(v3, read64(p + 16));
            v4 = round64(v4, read64(p + 24));
            p += 32;
        } while (p <= limit);
        h = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
        h = merge64(h, v1);
        h = merge64(h, v2);
        h = merge64(h, v3);
        h = merge64(h, v4);
    } else {
        h = seed + P5;
    }
    h += size;
    for (; p + 8 <= end; p += 8)
        h = rotl(h ^ round64(0, read64(p)), 27) * P1 + P4;
    if (p + 4 <= end) {
        h = rotl(h ^ (std::uint64_t(read32(p)) * P1), 23) * P2 + P3;
        p += 4;
    }
    for (; p < end; ++p)
        h = rotl(h ^ (*p * P5), 11) * P1;
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

QByteArray encodeKept(const KeptPainting& p, KeptPictureCache* cache, bool pictureApart)
{
    pictureApart = pictureApart && cache && !p.picture.isNull();
    const QImage& d = p.drawing;
    if (d.format() != QImage::Format_RGB32 || !withinLimits(d.width(), d.height()))
        return {};
    QImage picture;
    if (!p.picture.isNull()) {
        if (!withinLimits(p.picture.width(), p.picture.height()))
            return {};
        picture = p.picture.format() == QImage::Format_RGB32 || p.picture.format() == QImage::Format_ARGB32_Premultiplied
                    ? p.picture
                    : p.picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    QByteArray picturePart;
    std::uint64_t pictureHash = 0;
    if (cache && !p.picture.isNull() && cache->key == p.picture.cacheKey()) {
        picturePart = cache->part;
        pictureHash = cache->hash;
    } else {
        if (!picture.isNull())
            picturePart = encodePart(reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                                     picture.bytesPerLine() / 4, picture.width(), picture.height(), nullptr);
        pictureHash = keptHash(picturePart.constData(), static_cast<std::size_t>(picturePart.size()), 2);
        if (cache) {
            cache->key = p.picture.isNull() ? 0 : p.picture.cacheKey();
            cache->part = picturePart;
            cache->hash = pictureHash;
        }
    }
    BackgroundRows background(d.width(), p.backColor, picture);
    const QByteArray drawingPart = encodePart(reinterpret_cast<const std::uint32_t*>(d.constBits()),
                                              d.bytesPerLine() / 4, d.width(), d.height(),
                                              picture.isNull() ? nullptr : &background);

    QByteArray file(kKeptHeaderBytes, '\0');
    std::memcpy(file.data(), kMagic, sizeof kMagic);
    put32(file, kVersionAt, kVersion);
    put32(file, kKeptFlagsOffset, p.closedNormally ? kKeptClosedNormally : 0);
    put32(file, kDrawingSizeAt, static_cast<std::uint32_t>(d.width()));
    put32(file, kDrawingSizeAt + 4, static_cast<std::uint32_t>(d.height()));
    put32(file, kBackAt, static_cast<std::uint32_t>(p.backColor));
    put32(file, kPictureSizeAt, static_cast<std::uint32_t>(picture.width()));
    put32(file, kPictureSizeAt + 4, static_cast<std::uint32_t>(picture.height()));
    put32(file, kPictureFormatAt,
          picture.isNull() ? 0 : (picture.format() == QImage::Format_RGB32 ? 1 : 2) + (pictureApart ? 2 : 0));
    putDouble(file, kPictureMeasureAt, p.pictureWidth);
    putDouble(file, kPictureMeasureAt + 8, p.pictureHeight);
    put64(file, kPartBytesAt, static_cast<std::uint64_t>(drawingPart.size()));
    put64(file, kPartBytesAt + 8, static_cast<std::uint64_t>(picturePart.size()));
    put64(file, kPartHashAt, keptHash(drawingPart.constData(), static_cast<std::size_t>(drawingPart.size()), 1));
    put64(file, kPartHashAt + 8, pictureHash);
    put64(file, kHeaderHashAt, headerHash(file.constData()));
    file.reserve(kKeptHeaderBytes + drawingPart.size() + (pictureApart ? 0 : picturePart.size()));
    file += drawingPart;
    if (!pictureApart)
        file += picturePart;
    return file;
}

void sealKept(QByteArray& file)
{
    if (file.size() < kKeptHeaderBytes)
        return;
    const std::uint64_t db = get64(file.constData(), kPartBytesAt), pb = get64(file.constData(), kPartBytesAt + 8);
    const std::uint64_t body = static_cast<std::uint64_t>(file.size() - kKeptHeaderBytes);
    if (db > body || pb > body - db)
        return;
    const char* parts = file.constData() + kKeptHeaderBytes;
    put64(file, kPartHashAt, keptHash(parts, static_cast<std::size_t>(db), 1));
    put64(file, kPartHashAt + 8, keptHash(parts + db, static_cast<std::size_t>(pb), 2));
    put64(file, kHeaderHashAt, headerHash(file.constData()));
}

KeptRead decodeKept(const QByteArray& bytes, const QByteArray* picturePart)
{
    KeptRead r;
    if (bytes.size() < kKeptHeaderBytes) {
        r.error = QStringLiteral("cut short");
        return r;
    }
    Header h;
    if (!parseHeader(bytes.constData(), bytes.size(), h, &r.error))
        return r;
    return decodeBody(h, bytes.constData() + kKeptHeaderBytes, picturePart);
}

QString keptPictureName(const QString& keptPath, std::uint64_t hash)
{
    QString stem = keptPath;
    if (stem.endsWith(QLatin1String(".kept")))
        stem.chop(5);
    return stem + QStringLiteral(".%1.picture").arg(hash, 16, 16, QLatin1Char('0'));
}

namespace {

// Reads exactly `bytes` bytes of a picture's own file into `out`.
KeptRead readPicturePart(const QString& path, qint64 bytes, QByteArray* out)
{
    KeptRead r;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != bytes) {
        r.error = QStringLiteral("its picture's file is missing or cut short");
    } else {
        out->resize(static_cast<qsizetype>(bytes));
        if (readAllAt(fd, out->data(), bytes, 0) != bytes)
            r.error = QStringLiteral("its picture's file is unreadable");
    }
    if (fd >= 0)
        ::close(fd);
    return r;
}

} // namespace

KeptRead readKeptFile(const QString& path)
{
    KeptRead r;
    const QByteArray name = QFile::encodeName(path);
    // No waiting on a pipe, no following a link put in its place.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        r.error = QString::fromLocal8Bit(std::strerror(errno));
        return r;
    }
    struct stat st {};
    Header h;
    QByteArray body;
    char header[kKeptHeaderBytes];
    auto readAt = [fd](char* to, qint64 n, off_t at) {
        while (n > 0) {
            const ssize_t got = ::pread(fd, to, static_cast<size_t>(n), at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            to += got;
            n -= got;
            at += got;
        }
        return true;
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        r.error = QStringLiteral("not a regular file");
    else if (st.st_size < kKeptHeaderBytes)
        r.error = QStringLiteral("cut short");
    else if (st.st_size > kMaxKeptFileBytes)
        r.error = QStringLiteral("larger than any kept painting");
    else if (!readAt(header, kKeptHeaderBytes, 0))
        r.error = QStringLiteral("unreadable");
    else if (parseHeader(header, st.st_size, h, &r.error)) {
        body.resize(static_cast<qsizetype>(st.st_size - kKeptHeaderBytes));
        if (!readAt(body.data(), body.size(), kKeptHeaderBytes))
            r.error = QStringLiteral("unreadable");
    }
    ::close(fd);
    if (!r.error.isEmpty())
        return r;
    QByteArray apart;
    if (h.pictureApart) {
        const KeptRead part = readPicturePart(keptPictureName(path, h.pictureHash), h.pictureBytes, &apart);
        if (!part.error.isEmpty())
            return part;
    }
    return decodeBody(h, body.constData(), &apart);
}

} // namespace pemma
