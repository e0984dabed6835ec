// SPDX-License-Identifier: GPL-3.0-or-later
// The save commands: the confirmation loop, what lands in the file, and
// failures that are reported and leave any earlier file as it was.
#include <QDir>
#include <QImageReader>
#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "files/AtomicWrite.h"
#include "support/FileSizeLimit.h"
#include "unit/files/FilesFixture.h"

// Every change of the process's umask in this program passes through here:
// this definition takes the place of the C library's for the program's own
// code, so a test sees whether saving touches the umask at all.
static std::atomic<int> umaskCalls{0};
extern "C" mode_t umask(mode_t mask) noexcept
{
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace pemma::test {
namespace {

class SaveTest : public FilesTest {
protected:
    void SetUp() override
    {
        // Something on every row and column, so a shifted or cut picture shows.
        rig.canvas.setPicture(pattern(300, 200));
        rig.canvas.setDrawWidth(9);
        rig.canvas.line(10, 700, 1000, 20, 0x3366CC);
        rig.canvas.pset(1023, 767, 0x00FF00);
    }
    void saveBmp(const QString& name)
    {
        dialogs.choose(name);
        dialogs.answer(true);
        auto ctx = context();
        bmpsave_Click(ctx);
    }
    void saveJpeg(const QString& name, int quality)
    {
        dialogs.choose(name);
        dialogs.answer(true);
        auto ctx = context();
        jpgsave_Click(ctx, quality);
    }
    QStringList filesInDir() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
};

TEST_F(SaveTest, BmpHoldsTheWholeDrawingExactlyIn24BitsUnderTheNameAsChosen)
{
    // The picture size plays no part, however large its numbers.
    rig.state.pictureWidth = 28800;
    rig.state.pictureHeight = 16200;
    const QString name = path(QStringLiteral("保存 した 絵")); // no extension
    saveBmp(name);

    EXPECT_TRUE(dialogs.errors.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].save);
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("すべてのファイル (*.bmp)|*.bmp|"));
    EXPECT_EQ(dialogs.shown[0].filterIndex, 2);
    EXPECT_EQ(filesInDir(), QStringList{QStringLiteral("保存 した 絵")});

    const QByteArray data = bytes(name);
    ASSERT_GT(data.size(), 54);
    EXPECT_EQ(data.left(2), QByteArray("BM"));
    EXPECT_EQ(static_cast<unsigned char>(data[28]), 24); // bits per pixel
    QImage back;
    ASSERT_TRUE(back.loadFromData(data, "bmp"));
    EXPECT_EQ(back.size(), QSize(1024, 768));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), rig.canvas.image());
    EXPECT_EQ(rig.state.pictureWidth, 28800);
    EXPECT_EQ(rig.state.pictureHeight, 16200);
}

TEST_F(SaveTest, JpegHoldsTheClientAreaAtTheChosenQuality)
{
    window.width = 800;
    window.height = 600;
    const QString low = path(QStringLiteral("low.jpg"));
    const QString high = path(QStringLiteral("high"));
    saveJpeg(low, 10);
    saveJpeg(high, 100);

    EXPECT_TRUE(dialogs.errors.empty());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].filter,
              QStringLiteral("すべてのファイル (*.*)|*.*|bmpファイル (*.bmp)|*.bmp|jpgファイル (*.jpg)|*.jpg"));
    EXPECT_EQ(dialogs.shown[0].filterIndex, 3);

    const QByteArray a = bytes(low), b = bytes(high);
    EXPECT_EQ(a.left(3), QByteArray("\xff\xd8\xff")); // written as JPEG directly, no BMP under the name
    EXPECT_EQ(b.left(3), QByteArray("\xff\xd8\xff"));
    EXPECT_NE(a, b);
    EXPECT_LT(a.size(), b.size());
    for (const QString& f : {low, high}) {
        QImageReader reader(f, "jpeg");
        const QImage img = reader.read();
        ASSERT_FALSE(img.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(img.size(), QSize(800, 600));
    }
    // At 100 the picture comes back close to the drawing; at 10 much less so.
    auto error = [&](const QString& f) {
        const QImage img = QImage(f).convertToFormat(QImage::Format_RGB32);
        qint64 sum = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                sum += std::abs(qRed(img.pixel(x, y)) - qRed(rig.canvas.image().pixel(x, y)));
        return double(sum) / (300 * 200);
    };
    EXPECT_LT(error(high), 10.0);
    EXPECT_GT(error(low), error(high));
}

TEST_F(SaveTest, NoOpensTheDialogAgainUntilYesOrCancel)
{
    const QString a = path(QStringLiteral("a.bmp")), b = path(QStringLiteral("b.bmp")), c = path(QStringLiteral("c.bmp"));
    dialogs.choose(a);
    dialogs.answer(false);
    dialogs.choose(b);
    dialogs.answer(false);
    dialogs.choose(c);
    dialogs.answer(true);
    auto ctx = context();
    bmpsave_Click(ctx);

    EXPECT_EQ(dialogs.questions,
              (std::vector<QString>{a + QStringLiteral("の保存を続行しますか。"), b + QStringLiteral("の保存を続行しますか。"),
                                    c + QStringLiteral("の保存を続行しますか。")}));
    ASSERT_EQ(dialogs.shown.size(), 3u);
    for (const auto& s : dialogs.shown)
        EXPECT_EQ(s.filterIndex, 2);
    EXPECT_EQ(filesInDir(), QStringList{QStringLiteral("c.bmp")});

    // No, then Cancel: nothing is written. Cancel at once: no question either.
    dialogs.choose(path(QStringLiteral("d.jpg")));
    dialogs.answer(false);
    dialogs.choose(std::nullopt);
    jpgsave_Click(ctx, 80);
    dialogs.choose(std::nullopt);
    bmpsave_Click(ctx);
    EXPECT_EQ(dialogs.questions.size(), 4u);
    EXPECT_EQ(filesInDir(), QStringList{QStringLiteral("c.bmp")});
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SaveTest, WritesThatCannotStartAreReportedAndDestroyNothing)
{
    writeBytes(path(QStringLiteral("plain.txt")), "old");
    QDir(dir.path()).mkdir(QStringLiteral("taken.bmp"));
    const QStringList targets{path(QStringLiteral("no such folder/x.bmp")), path(QStringLiteral("plain.txt/x.bmp")),
                              path(QStringLiteral("taken.bmp"))};
    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        dialogs.errors.clear();
        saveBmp(target);
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("「") + target + QStringLiteral("」を保存できませんでした。")))
            << dialogs.errors[0].toStdString();
        EXPECT_GT(dialogs.errors[0].size(), target.size() + 20); // a reason follows
    }
    EXPECT_EQ(bytes(path(QStringLiteral("plain.txt"))), QByteArray("old"));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("taken.bmp"))).isDir());
    EXPECT_EQ(filesInDir().size(), 2);

    // A JPEG of an empty client area cannot be written either.
    window.width = 0;
    dialogs.errors.clear();
    saveJpeg(path(QStringLiteral("none.jpg")), 80);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("none.jpg"))));
}

// Lets files grow to at most `limit` bytes for its lifetime: writes beyond it
// fail half-way, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = saved_;
        l.rlim_cur = limit;
        ok = setrlimit(RLIMIT_FSIZE, &l) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool ok = false;

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(SaveTest, AWriteFailingHalfWayLeavesTheEarlierFileAsItWas)
{
    const QString bmp = path(QStringLiteral("picture.bmp"));
    const QString jpg = path(QStringLiteral("picture.jpg"));
    saveBmp(bmp);
    saveJpeg(jpg, 100);
    ASSERT_TRUE(dialogs.errors.empty());
    const QByteArray oldBmp = bytes(bmp), oldJpg = bytes(jpg);

    rig.canvas.setBackColor(0x000080); // different content now
    {
        FileSizeLimit limit(20000);
        ASSERT_TRUE(limit.ok);
        saveBmp(bmp);
        saveJpeg(jpg, 100);
    }
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[0].contains(bmp));
    EXPECT_TRUE(dialogs.errors[1].contains(jpg));
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("書き込みに失敗しました")));
    EXPECT_EQ(bytes(bmp), oldBmp);
    EXPECT_EQ(bytes(jpg), oldJpg);
    // No temporary file is left behind.
    EXPECT_EQ(filesInDir(), (QStringList{QStringLiteral("picture.bmp"), QStringLiteral("picture.jpg")}));
}

// A save cut short anywhere (half-way, in its last block, one byte before its
// end) never replaces the earlier file and is reported; nothing is left over.
TEST_F(SaveTest, ASaveCutShortAnywhereLeavesTheEarlierFileAndSaysSo)
{
    const QString bmp = path(QStringLiteral("picture.bmp"));
    const QString jpg = path(QStringLiteral("picture.jpg"));
    saveBmp(bmp);
    saveJpeg(jpg, 100);
    ASSERT_TRUE(dialogs.errors.empty());
    const QByteArray oldBmp = bytes(bmp), oldJpg = bytes(jpg);
    rig.canvas.setBackColor(0x000080); // different content, same sizes for the BMP
    const rlim_t bmpSize = oldBmp.size(), jpgSize = oldJpg.size();

    struct Case {
        QString file;
        rlim_t limit;
        bool jpeg;
    };
    const Case cases[] = {{bmp, bmpSize - 1, false}, {bmp, bmpSize - 100, false},
                          {bmp, bmpSize - bmpSize % 16384, false}, {bmp, bmpSize / 2, false},
                          {jpg, jpgSize / 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        const int reported = inChildWithFileSizeLimit(c.limit, [&] {
            dialogs.errors.clear();
            c.jpeg ? saveJpeg(c.file, 100) : saveBmp(c.file);
            return dialogs.errors.size() == 1 && dialogs.errors[0].contains(QStringLiteral("書き込みに失敗しました")) ? 0 : 1;
        });
        EXPECT_EQ(reported, 0);
        EXPECT_EQ(bytes(bmp), oldBmp);
        EXPECT_EQ(bytes(jpg), oldJpg);
        EXPECT_EQ(filesInDir(), (QStringList{QStringLiteral("picture.bmp"), QStringLiteral("picture.jpg")}));
    }
}

// A file rewritten in place (its folder takes no new files) is never left
// shorter or mixed: a write that fails puts the old bytes back.
TEST_F(SaveTest, AnInPlaceRewriteThatFailsPutsTheOldBytesBack)
{
    const QString file = path(QStringLiteral("pic-ini.dat"));
    const QByteArray old(300, 'o');
    for (qsizetype newSize : {200, 400, 20000}) {
        writeBytes(file, old);
        const QByteArray next(newSize, 'n');
        for (rlim_t limit : {rlim_t(newSize - 1), rlim_t(newSize / 2)}) {
            if (limit < rlim_t(old.size()) && newSize <= old.size())
                continue; // the old bytes themselves are beyond such a limit
            SCOPED_TRACE(limit);
            const int failed = inChildWithFileSizeLimit(limit, [&] { return rewriteInPlace(file, next).isEmpty() ? 1 : 0; });
            EXPECT_EQ(failed, 0);
            EXPECT_EQ(bytes(file), old);
        }
        EXPECT_TRUE(rewriteInPlace(file, next).isEmpty());
        EXPECT_EQ(bytes(file), next);
    }
}

QByteArray linkTarget(const QString& link)
{
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return n < 0 ? QByteArray() : QByteArray(target, n);
}

// A save through a symbolic link replaces the file the link leads to, in that
// file's folder, and the link stays; a link to a device is not written.
TEST_F(SaveTest, ASaveThroughALinkReplacesTheFileItLeadsToAndKeepsTheLink)
{
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    const QString target = path(QStringLiteral("real/target.bmp"));
    const QString link = path(QStringLiteral("out/link.bmp"));
    const QString toNull = path(QStringLiteral("out/null.bmp"));
    writeBytes(target, "old");
    ASSERT_EQ(::symlink("../real/target.bmp", QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(toNull).constData()), 0);

    saveBmp(link);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(linkTarget(link), QByteArray("../real/target.bmp"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(bytes(target), "bmp"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), rig.canvas.image());
    EXPECT_EQ(QDir(path(QStringLiteral("real"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("target.bmp")});

    saveBmp(toNull);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("「") + toNull + QStringLiteral("」を保存できませんでした。")));
    EXPECT_EQ(linkTarget(toNull), QByteArray("/dev/null"));
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("link.bmp"), QStringLiteral("null.bmp")}));
}

// A new file gets 0666 less the umask, which the program never changes, not
// even for a moment; a replaced file keeps its permission bits, set-id bits
// excepted. Any name the file system takes can be saved, up to 255 bytes.
TEST_F(SaveTest, PermissionsComeFromTheUmaskOrTheReplacedFileAndLongNamesSave)
{
    const mode_t earlier = ::umask(022);
    for (const mode_t mask : {mode_t(022), mode_t(077)}) {
        ::umask(mask);
        const int calls = umaskCalls;
        for (const int length : {8, 250, 255}) {
            SCOPED_TRACE(std::to_string(mask) + " " + std::to_string(length));
            const QString name = path(QString(length, QLatin1Char(mask == 022 ? 'a' : 'b')));
            saveBmp(name);
            EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
            struct stat st {};
            EXPECT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);
            dialogs.errors.clear();
        }
        const QString replaced = path(QStringLiteral("replaced.bmp"));
        for (const mode_t bits : {mode_t(0640), mode_t(04755), mode_t(02750)}) {
            SCOPED_TRACE(bits);
            writeBytes(replaced, "old");
            ASSERT_EQ(::chmod(QFile::encodeName(replaced).constData(), bits), 0);
            saveBmp(replaced);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(replaced).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, bits & 0777);
            EXPECT_GT(st.st_size, 54);
        }
        EXPECT_EQ(umaskCalls, calls) << "saving changed the umask";
    }
    ::umask(earlier);
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
} // namespace pemma::test
