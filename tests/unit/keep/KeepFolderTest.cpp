// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>

#include "keep/KeepFolder.h"
#include "support/KeepSupport.h"

using namespace pemma;

namespace {

KeptPainting painting(int shade, bool closed = false)
{
    KeptPainting p;
    p.drawing = QImage(64, 48, QImage::Format_RGB32);
    p.drawing.fill(qRgb(shade, 255 - shade, shade / 2));
    p.drawing.setPixel(shade % 64, 7, qRgb(1, 2, 3));
    p.backColor = shade;
    p.closedNormally = closed;
    return p;
}

// Gives a file a modification time `age` seconds in the past, so the order
// of the paintings does not depend on the clock's resolution.
void setAge(const QString& path, int age)
{
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= age;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QStringList names(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(KeepFolder, TwoProgramsKeepApartAndOnlyAFinishedProgramsPaintingIsOfferedOnce)
{
    QTemporaryDir home;
    const QString folder = home.filePath("state/pemmarover");
    auto a = std::make_unique<KeepSlot>(folder);
    auto b = std::make_unique<KeepSlot>(folder);
    EXPECT_FALSE(QDir(folder).exists()) << "nothing is made before the first write";
    ASSERT_EQ(a->write(encodeKept(painting(10))), "");
    ASSERT_EQ(b->write(encodeKept(painting(20))), "");
    ASSERT_NE(a->paintingPath(), b->paintingPath());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(home.filePath("state")), 0700u);
    EXPECT_EQ(modeOf(a->paintingPath()), 0600u);
    EXPECT_EQ(test::paintingHash(*readKeptFile(a->paintingPath()).painting), test::paintingHash(painting(10)));
    EXPECT_FALSE(takeNewestPainting(folder)) << "both programs still run";

    // A ends without marking its painting (a kill): its lock dies with it.
    const QString aPath = a->paintingPath();
    a.reset();
    {
        std::optional<TakenPainting> taken = takeNewestPainting(folder);
        ASSERT_TRUE(taken);
        EXPECT_EQ(taken->path(), aPath);
        EXPECT_TRUE(taken->crashed());
        EXPECT_EQ(test::paintingHash(taken->painting()), test::paintingHash(painting(10)));
        EXPECT_FALSE(takeNewestPainting(folder)) << "a second start does not take it while the first holds it";
        EXPECT_EQ(markKeptClosed(taken->path()), "");
    }
    std::optional<TakenPainting> again = takeNewestPainting(folder);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->crashed());
    EXPECT_EQ(test::paintingHash(again->painting()), test::paintingHash(painting(10)));
    again.reset();
    // Written within the same tick of the file clock, the two paintings
    // could otherwise be equally new.
    setAge(aPath, 100);

    // B writes on and ends normally; its painting is the newest.
    ASSERT_EQ(b->write(encodeKept(painting(30))), "");
    ASSERT_EQ(b->markClosed(), "");
    const QString bPath = b->paintingPath();
    b.reset();
    again = takeNewestPainting(folder);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->path(), bPath);
    EXPECT_FALSE(again->crashed());
    EXPECT_EQ(test::paintingHash(again->painting()), test::paintingHash(painting(30, true)));
}

TEST(KeepFolder, DamagedFilesAreLeftAsideWithOneLineEachAndTheNewestWholeOneIsOffered)
{
    QTemporaryDir folder;
    {
        KeepSlot old(folder.path());
        ASSERT_EQ(old.write(encodeKept(painting(40))), "");
        setAge(old.paintingPath(), 100);
    }
    const QByteArray good = encodeKept(painting(50));
    auto put = [&](const char* name, const QByteArray& bytes) {
        QFile f(folder.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put("1-1.kept", QByteArray(5000, 'x'));
    put("2-2.kept", good.left(good.size() / 2));
    put("3-3.kept", good);
    ASSERT_EQ(::truncate(QFile::encodeName(folder.filePath("3-3.kept")).constData(), qint64(3) << 30), 0);
    // What a write cut off by a kill leaves.
    put("4-4.kept.AbC123", good.left(100));

    testing::internal::CaptureStderr();
    std::optional<TakenPainting> taken = takeNewestPainting(folder.path());
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(taken);
    EXPECT_EQ(test::paintingHash(taken->painting()), test::paintingHash(painting(40)));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
    for (const char* name : {"1-1.kept", "2-2.kept", "3-3.kept"}) {
        EXPECT_NE(log.find(name), std::string::npos) << log;
        EXPECT_TRUE(names(folder.path()).contains(QString::fromLatin1(name) + ".damaged"));
        EXPECT_FALSE(names(folder.path()).contains(QString::fromLatin1(name)));
    }
    EXPECT_FALSE(names(folder.path()).contains("4-4.kept.AbC123"));
}

TEST(KeepFolder, OnlyTheNewestFiveWithinTheByteLimitStayButARunningProgramsPaintingAlways)
{
    QTemporaryDir folder;
    // The running program's painting is the oldest of all.
    KeepSlot running(folder.path());
    ASSERT_EQ(running.write(encodeKept(painting(1))), "");
    setAge(running.paintingPath(), 1000);
    QStringList ended; // oldest first
    for (int i = 0; i < 8; ++i) {
        KeepSlot slot(folder.path());
        ASSERT_EQ(slot.write(encodeKept(painting(10 + i))), "");
        setAge(slot.paintingPath(), 100 - i);
        ended << QFileInfo(slot.paintingPath()).fileName();
    }
    const qint64 size = QFileInfo(running.paintingPath()).size();

    pruneKept(folder.path());
    QStringList expected = ended.mid(4);
    expected << QFileInfo(running.paintingPath()).fileName();
    const QStringList kept = names(folder.path()).filter(QRegularExpression("\\.kept$"));
    EXPECT_EQ(QSet<QString>(kept.begin(), kept.end()), QSet<QString>(expected.begin(), expected.end()));
    // Locks go with their paintings.
    EXPECT_EQ(names(folder.path()).filter(QRegularExpression("\\.lock$")).size(), 5);

    pruneKept(folder.path(), 5, 2 * size);
    const QStringList left = names(folder.path()).filter(QRegularExpression("\\.kept$"));
    EXPECT_EQ(QSet<QString>(left.begin(), left.end()),
              (QSet<QString>{ended.last(), QFileInfo(running.paintingPath()).fileName()}));
}
