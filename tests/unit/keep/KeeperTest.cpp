// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "keep/Keeper.h"
#include "support/KeepSupport.h"
#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

struct Keeping {
    Keeping(const QString& folder, int w, int h, KeepTiming timing) : drive(0, 10, w, h)
    {
        drive.rig.session.startKeeping(std::make_unique<KeepSlot>(folder), timing);
    }
    Keeper& keeper() { return *drive.rig.session.keeper(); }
    std::uint64_t shown()
    {
        const Canvas& c = drive.rig.canvas;
        return test::paintingHash(c.image(), c.backColor(), c.picture(), drive.rig.state.pictureWidth,
                                  drive.rig.state.pictureHeight);
    }
    KeptRead kept() { return readKeptFile(keeper().slot().paintingPath()); }
    std::uint64_t keptHash()
    {
        const KeptRead r = kept();
        return r.painting ? test::paintingHash(*r.painting) : 0;
    }
    bool writtenTimes(int n)
    {
        return test::waitFor([&] { return keeper().writesDone() >= n && !keeper().writing(); });
    }
    test::Drive drive;
};

} // namespace

TEST(Keeper, KeepsSoonAfterEachChangeEndsAndDuringALongStrokeButNothingWhileIdle)
{
    QTemporaryDir dir;
    Keeping k(dir.path(), 640, 480, KeepTiming{40, 250});
    test::Drive& d = k.drive;
    EXPECT_FALSE(k.keeper().timerActive());
    d.move(10, 10, false);
    d.move(20, 10, false);
    EXPECT_FALSE(k.keeper().timerActive()) << "moves without a button change nothing";

    d.stroke({{100, 100}, {200, 150}, {300, 100}});
    EXPECT_TRUE(k.keeper().timerActive());
    ASSERT_TRUE(k.writtenTimes(1));
    EXPECT_EQ(k.keptHash(), k.shown());
    EXPECT_FALSE(k.kept().painting->closedNormally);
    EXPECT_FALSE(k.keeper().timerActive()) << "kept and idle: no timer";

    // A stroke that goes on is kept while it goes on, as it was at that moment.
    std::uint64_t atSnapshot = 0;
    k.keeper().onSnapshot = [&] { atSnapshot = k.shown(); };
    d.press(50, 300);
    int i = 0;
    ASSERT_TRUE(test::waitFor([&] {
        ++i;
        d.move(50 + (i % 500), 300 + 50 * std::sin(i * 0.1));
        return k.keeper().writesDone() == 2 && !k.keeper().writing();
    }));
    EXPECT_TRUE(d.rig.session.buttonHeld());
    EXPECT_EQ(k.keptHash(), atSnapshot);
    d.release(60, 320);
    ASSERT_TRUE(k.writtenTimes(3));
    EXPECT_EQ(k.keptHash(), k.shown());

    // Undo writes the drawing without announcing it; a command changes the
    // background colour.
    ASSERT_TRUE(d.rig.session.undo());
    ASSERT_TRUE(k.writtenTimes(4));
    EXPECT_EQ(k.keptHash(), k.shown());
    d.rig.session.backgroundBlack();
    ASSERT_TRUE(k.writtenTimes(5));
    EXPECT_EQ(k.keptHash(), k.shown());
    EXPECT_EQ(k.kept().painting->backColor, kBlack);
    EXPECT_FALSE(k.keeper().timerActive());

    // A picture is written to a file of its own once: strokes over it write
    // only the drawing, and another picture replaces the file.
    auto pictureFiles = [&] {
        return QDir(dir.path()).entryInfoList({"*.picture"}, QDir::Files);
    };
    auto openPicture = [&](QRgb colour) {
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(colour);
        d.rig.session.runStep([&] {
            d.rig.canvas.setPicture(picture);
            d.rig.state.pictureWidth = 4500;
            d.rig.state.pictureHeight = 3000;
            return History::Keep::Always;
        });
    };
    openPicture(qRgb(10, 20, 30));
    ASSERT_TRUE(k.writtenTimes(6));
    EXPECT_EQ(k.keptHash(), k.shown());
    ASSERT_EQ(pictureFiles().size(), 1);
    const QFileInfo first = pictureFiles().first();
    const QDateTime firstWritten = first.lastModified();
    d.stroke({{20, 20}, {200, 200}});
    ASSERT_TRUE(k.writtenTimes(7));
    EXPECT_EQ(k.keptHash(), k.shown());
    ASSERT_EQ(pictureFiles().size(), 1);
    EXPECT_EQ(pictureFiles().first().lastModified(), firstWritten) << "the picture was written again";
    openPicture(qRgb(40, 50, 60));
    ASSERT_TRUE(k.writtenTimes(8));
    EXPECT_EQ(k.keptHash(), k.shown());
    ASSERT_EQ(pictureFiles().size(), 1);
    EXPECT_NE(pictureFiles().first().fileName(), first.fileName());

    // The end marks it closed without writing it again; what follows is kept
    // as usual, no longer closed.
    k.keeper().keepAtEnd();
    EXPECT_EQ(k.keeper().writesDone(), 8);
    EXPECT_TRUE(k.kept().painting->closedNormally);
    d.stroke({{10, 10}, {600, 400}});
    ASSERT_TRUE(k.writtenTimes(9));
    EXPECT_FALSE(k.kept().painting->closedNormally);
    d.stroke({{10, 400}, {600, 10}});
    k.keeper().keepAtEnd();
    EXPECT_EQ(k.keeper().writesDone(), 10) << "the end writes what changed since";
    EXPECT_TRUE(k.kept().painting->closedNormally);
    EXPECT_EQ(k.keptHash(), k.shown());
}

TEST(Keeper, ASnapshotIsTheDrawingAtThatMomentWhilePaintingGoesOnDuringItsCopy)
{
    QTemporaryDir dir;
    // Long keep times: only keepNow() takes snapshots here.
    Keeping k(dir.path(), 4096, 2048, KeepTiming{600000, 600000});
    test::Drive& d = k.drive;
    d.use(0, 30);
    std::uint64_t atSnapshot = 0;
    k.keeper().onSnapshot = [&] { atSnapshot = k.shown(); };
    for (int round = 0; round < 30 && k.keeper().tilesCopiedHere() == 0; ++round) {
        SCOPED_TRACE(round);
        // Every tile changes, then a stroke crosses the drawing at once
        // while the other thread copies it.
        d.rig.session.backgroundFromSwatch();
        d.colour(round * 8, 255 - round * 8, 100);
        ASSERT_TRUE(k.keeper().keepNow());
        d.press(0, 0);
        for (int x = 0; x < 4096; x += 128)
            d.move(x, (x * 7) % 2048);
        d.release(4000, 2000);
        k.keeper().waitIdle();
        ASSERT_EQ(k.keptHash(), atSnapshot);
    }
    EXPECT_GT(k.keeper().tilesCopiedHere(), 0) << "the window's thread never had to copy a tile first";
    // The strokes after the last snapshot come at the next one.
    ASSERT_TRUE(k.keeper().keepNow());
    k.keeper().waitIdle();
    EXPECT_EQ(k.keptHash(), k.shown());
}

TEST(Keeper, AFailedWriteNeverStopsPaintingIsReportedOnceAndTheNextChangeTriesAgain)
{
    QTemporaryDir home;
    // A file where the folder should be: every write fails.
    QFile blocker(home.filePath("state"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Keeping k(home.filePath("state/pemmarover"), 320, 240, KeepTiming{20, 100});
    test::Drive& d = k.drive;
    testing::internal::CaptureStderr();
    d.stroke({{10, 10}, {100, 100}});
    ASSERT_TRUE(k.writtenTimes(0) && test::waitFor([&] { return !k.keeper().timerActive() && !k.keeper().writing(); }));
    d.stroke({{10, 100}, {100, 10}});
    ASSERT_TRUE(test::waitFor([&] { return !k.keeper().timerActive() && !k.keeper().writing(); }));
    k.keeper().keepAtEnd();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(k.keeper().writesDone(), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("could not keep the painting"), std::string::npos) << log;
    EXPECT_NE(d.at(55, 55), kWhite) << "painting went on";

    // Once the folder can be made, the next change keeps everything.
    ASSERT_TRUE(QFile::remove(home.filePath("state")));
    d.stroke({{200, 10}, {300, 100}});
    ASSERT_TRUE(k.writtenTimes(1));
    EXPECT_EQ(k.keptHash(), k.shown());

    // A folder removed while the program runs is made again, with the lock
    // that keeps other starts from taking the painting.
    ASSERT_TRUE(QDir(home.filePath("state")).removeRecursively());
    d.stroke({{300, 10}, {200, 100}});
    ASSERT_TRUE(k.writtenTimes(2));
    EXPECT_EQ(k.keptHash(), k.shown());
    EXPECT_FALSE(takeNewestPainting(home.filePath("state/pemmarover"))) << "it is still this program's";
}
