// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "canvas/Canvas.h"
#include "keep/KeepFolder.h"
#include "keep/KeptFile.h"
#include "support/KeepSupport.h"

using namespace pemma;

namespace {

// A painting as the program makes them: a background colour (sometimes the
// invalid one, painted black), maybe a picture with or without alpha, and
// strokes and speckles over it.
KeptPainting randomPainting(std::mt19937& rng)
{
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    KeptPainting p;
    const int w = 1 + below(300), h = 1 + below(200);
    p.backColor = below(5) == 0 ? kInvalidColour : static_cast<Colour>(rng() & 0xFFFFFF);
    if (const int kind = below(3)) {
        QImage picture(1 + below(400), 1 + below(250),
                       kind == 1 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        picture.fill(qRgba(below(256), below(256), below(256), 255));
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); x += 1 + below(8)) {
                const int a = kind == 1 ? 255 : below(256);
                picture.setPixel(x, y, qPremultiply(qRgba(below(256), below(256), below(256), a)));
            }
        p.picture = picture;
        p.pictureWidth = below(100000) / 7.0;
        p.pictureHeight = below(100000) / 3.0;
    }
    Canvas canvas(w, h);
    canvas.restoreBackground(p.backColor, p.picture);
    canvas.cls();
    for (int i = below(12); i > 0; --i) {
        canvas.setDrawWidth(1 + below(20));
        canvas.line(below(w), below(h), below(w), below(h), static_cast<Colour>(rng() & 0xFFFFFF));
    }
    for (int i = below(200); i > 0; --i)
        canvas.image().setPixel(below(w), below(h), rng() | 0xFF000000u);
    p.drawing = canvas.image();
    p.closedNormally = below(2);
    return p;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(KeptFile, EveryPaintingComesBackExactlyAndEveryDamageIsFound)
{
    std::mt19937 rng(20);
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE(round);
        const KeptPainting p = randomPainting(rng);
        // Half the pictures go to a file of their own.
        KeptPictureCache picture;
        const bool apart = !p.picture.isNull() && rng() % 2;
        const QByteArray file = encodeKept(p, &picture, apart);
        const qint64 pixels = qint64(p.drawing.width()) * p.drawing.height();
        const qint64 picturePixels = p.picture.isNull() ? -1 : qint64(p.picture.width()) * p.picture.height();
        ASSERT_LE(file.size() + (apart ? picture.part.size() : 0),
                  kKeptHeaderBytes + 4 * (pixels + 1) + 4 * (picturePixels + 1));
        const QByteArray* part = apart ? &picture.part : nullptr;
        if (apart) {
            EXPECT_FALSE(decodeKept(file).painting) << "without its picture";
            QByteArray other = picture.part;
            other[static_cast<qsizetype>(rng() % static_cast<unsigned>(other.size()))] ^= 1;
            EXPECT_FALSE(decodeKept(file, &other).painting) << "with a picture not its own";
        }

        const KeptRead read = decodeKept(file, part);
        ASSERT_TRUE(read.painting) << qPrintable(read.error);
        EXPECT_EQ(read.painting->drawing, p.drawing);
        EXPECT_EQ(read.painting->picture, p.picture);
        EXPECT_EQ(read.painting->picture.format(), p.picture.format());
        EXPECT_EQ(read.painting->backColor, p.backColor);
        EXPECT_EQ(read.painting->pictureWidth, p.pictureWidth);
        EXPECT_EQ(read.painting->pictureHeight, p.pictureHeight);
        EXPECT_EQ(read.painting->closedNormally, p.closedNormally);

        // The flags are rewritten in place, so they alone are outside the
        // hashes; any other byte changed is found.
        for (int k = 0; k < 24; ++k) {
            QByteArray bad = file;
            qsizetype at;
            do
                at = static_cast<qsizetype>(rng() % static_cast<unsigned>(file.size()));
            while (at >= kKeptFlagsOffset && at < kKeptFlagsOffset + 4);
            bad[at] = static_cast<char>(bad[at] ^ (1 + rng() % 255));
            EXPECT_FALSE(decodeKept(bad, part).painting) << "byte " << at << " of " << file.size();
        }
        EXPECT_FALSE(decodeKept(file.left(static_cast<qsizetype>(rng() % static_cast<unsigned>(file.size()))), part).painting);
        EXPECT_FALSE(decodeKept(file + QByteArray(1 + rng() % 8, '\0'), part).painting);
    }
}

TEST(KeptFile, JunkCutShortHugeAndOddFilesAreRefusedBeforeTheyAreRead)
{
    QTemporaryDir dir;
    std::mt19937 rng(7);
    std::mt19937 paintings(3);
    const QByteArray good = encodeKept(randomPainting(paintings));
    QByteArray junk(1 << 20, '\0');
    for (char& c : junk)
        c = static_cast<char>(rng());
    writeFile(dir.filePath("junk.kept"), junk);
    writeFile(dir.filePath("short.kept"), good.left(good.size() - 1));
    writeFile(dir.filePath("header.kept"), good.left(kKeptHeaderBytes - 1));
    // A huge file that costs no disk: refused by its size alone.
    writeFile(dir.filePath("huge.kept"), good);
    ASSERT_EQ(::truncate(QFile::encodeName(dir.filePath("huge.kept")).constData(), qint64(2) << 30), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.kept")).constData(), 0600), 0);
    writeFile(dir.filePath("good.kept"), good);
    ASSERT_EQ(::symlink("good.kept", QFile::encodeName(dir.filePath("link.kept")).constData()), 0);

    EXPECT_TRUE(readKeptFile(dir.filePath("good.kept")).painting);
    for (const char* name : {"junk.kept", "short.kept", "header.kept", "huge.kept", "pipe.kept", "link.kept"}) {
        const KeptRead r = readKeptFile(dir.filePath(name));
        EXPECT_FALSE(r.painting) << name;
        EXPECT_FALSE(r.error.isEmpty()) << name;
    }
    EXPECT_EQ(readKeptFile(dir.filePath("huge.kept")).error, "larger than any kept painting");
}
