// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <clocale>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "canvas/Canvas.h"
#include "shell/core/SettingsFile.h"
#include "files/AtomicWrite.h"
#include "shell/core/Startup.h"
#include "support/ChildProcess.h"
#include "support/Scripted.h"

using namespace pemma;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Runs fn as a user without privileges (root may write anywhere): in a child
// process as "nobody" when running as root, here otherwise.
bool asUnprivilegedUser(const std::function<bool()>& fn)
{
    if (::geteuid() != 0)
        return fn();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && fn();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(SettingsFile, NumbersAreWrittenShortestWithAPointWhateverTheLocale)
{
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // may not exist; the format must not depend on it
    EXPECT_EQ(formatNumber(255), "255");
    EXPECT_EQ(formatNumber(37.25), "37.25");
    EXPECT_EQ(formatNumber(127.37), "127.37");
    EXPECT_EQ(formatNumber(-3), "-3");
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(formatNumber(16777215), "16777215");
    std::setlocale(LC_ALL, "C");

    Settings s;
    s.red = 255;
    s.green = 128;
    s.blue = 0;
    s.brushSize = 5;
    s.colourMode = 1;
    s.brushIndex = 0;
    s.backgroundColour = 0;
    EXPECT_EQ(formatSettingsLine(s), "255,128,0,5,1,0,,,0\r\n");
    s.storedValue7 = 3.5;
    s.storedValue8 = std::string("a,b");
    EXPECT_EQ(formatSettingsLine(s), "255,128,0,5,1,0,3.5,\"a,b\",0\r\n");
}

TEST(SettingsFile, RoundTripKeepsFractionsTextsAndEmptyFields)
{
    const std::string line = "127.37,0.1,254.99999999999997,100,11,45,\"x, y\",,16777215\r\n";
    const SettingsReadResult r = parseSettingsLine(line);
    EXPECT_TRUE(r.ignored.empty());
    EXPECT_EQ(r.settings.red, 127.37);
    EXPECT_EQ(r.settings.brushIndex, 45);
    EXPECT_EQ(std::get<std::string>(r.settings.storedValue7), "x, y");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r.settings.storedValue8));
    EXPECT_EQ(formatSettingsLine(r.settings), line);

    // A quote inside a text is written doubled and read back as one.
    const SettingsReadResult quoted = parseSettingsLine("0,0,0,5,1,0,,\"a\"b\"");
    ASSERT_TRUE(std::holds_alternative<std::string>(quoted.settings.storedValue8));
    EXPECT_EQ(std::get<std::string>(quoted.settings.storedValue8), "a\"b");
    const std::string written = formatSettingsLine(quoted.settings);
    EXPECT_EQ(written, "0,0,0,5,1,0,,\"a\"\"b\",16777215\r\n");
    const SettingsReadResult again = parseSettingsLine(written);
    EXPECT_TRUE(again.ignored.empty());
    ASSERT_TRUE(std::holds_alternative<std::string>(again.settings.storedValue8));
    EXPECT_EQ(std::get<std::string>(again.settings.storedValue8), "a\"b");
    EXPECT_EQ(again.settings.backgroundColour, kWhite);
}

TEST(SettingsFile, DamagedFieldsTakeDefaultsAndAreReported)
{
    struct Case {
        std::string line;
        std::vector<int> ignored;
    };
    const Case cases[] = {
        {"300,-1,abc,5,1,0,,,0", {1, 2, 3}},
        {"1,2,3,0,1,0,,,0", {4}},
        {"1,2,3,101,1,0,,,0", {4}},
        {"1,2,3,5,1,0,,,16777216", {9}},
        {"1,2,3,5,1,0,,,-1", {9}},
        {"1,2,3", {4, 5, 6, 9}},
        {"", {2, 3, 4, 5, 6, 9}},
        {"\"red\",2,3,\"5\",1,0,,,0", {1, 4}},
        {std::string("1,2\0,3", 6), {1, 2, 3, 4, 5, 6, 9}},
    };
    for (const Case& c : cases) {
        const SettingsReadResult r = parseSettingsLine(c.line);
        EXPECT_EQ(r.ignored, c.ignored) << c.line;
    }
    const SettingsReadResult r = parseSettingsLine("300,-1,abc,0,1,0,,,99999999");
    EXPECT_EQ(r.settings.red, 0);
    EXPECT_EQ(r.settings.brushSize, 5);
    EXPECT_EQ(r.settings.backgroundColour, kWhite);

    // Ranges apply to the rounded values; components keep their fractions.
    const SettingsReadResult rounded = parseSettingsLine("255.4,-0.5,0.6,100.5,1,0,,,16777215.4");
    EXPECT_TRUE(rounded.ignored.empty());
    EXPECT_EQ(rounded.settings.red, 255.4);
    EXPECT_EQ(rounded.settings.green, -0.5);
    EXPECT_EQ(rounded.settings.brushSize, 100);
    EXPECT_EQ(rounded.settings.backgroundColour, 16777215);
    EXPECT_EQ(parseSettingsLine("255.5,-0.6,0,0.5,1,0,,,0").ignored, (std::vector<int>{1, 2, 4}));

    // Values the program gives a meaning to stay as read.
    const SettingsReadResult kept = parseSettingsLine("1,2,3,7,99,-4,,,0");
    EXPECT_TRUE(kept.ignored.empty());
    EXPECT_EQ(kept.settings.brushSize, 7);
    EXPECT_EQ(kept.settings.colourMode, 99);
    EXPECT_EQ(kept.settings.brushIndex, -4);
}

TEST(SettingsFile, OnlyTheExactNameIsReadAndHugeFilesAreRejected)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("PIC-INI.DAT"), "200,100,50,10,3,4,,,0\r\n");
    EXPECT_FALSE(readSettings(dir.path()).found);
    writeFile(dir.filePath("pic-ini.dat"), "200,100,50,10,3,4,,,0\r\n");
    const SettingsReadResult r = readSettings(dir.path());
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.settings.red, 200);
    EXPECT_EQ(r.settings.brushIndex, 4);

    // A line beyond 4096 bytes is no settings line, even when its start
    // would read as one: cut off, "16777215" would become 167.
    for (int pad : {4077, 4078, 100000}) {
        const QByteArray line = "1,2,3,7,1,0,\"" + QByteArray(pad, 'x') + "\",,16777215\r\n";
        writeFile(dir.filePath("pic-ini.dat"), line);
        const SettingsReadResult huge = readSettings(dir.path());
        EXPECT_EQ(huge.settings.red, 0) << line.size();
        EXPECT_EQ(huge.settings.brushSize, 5) << line.size();
        EXPECT_EQ(huge.settings.backgroundColour, kWhite) << line.size();
        EXPECT_FALSE(huge.ignored.empty()) << line.size();
    }
    // Just within the limit it is read.
    writeFile(dir.filePath("pic-ini.dat"), "1,2,3,7,1,0,\"" + QByteArray(4060, 'x') + "\",,0\r\n");
    EXPECT_EQ(readSettings(dir.path()).settings.backgroundColour, 0);
}

TEST(SettingsFile, WriteReplacesAtomicallyAndReportsFailure)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("pic-ini.dat"), "old content that is longer than the new line\r\n");
    Settings s;
    ASSERT_TRUE(writeSettings(dir.path(), s));
    EXPECT_EQ(readFile(dir.filePath("pic-ini.dat")), QByteArray("0,0,0,5,1,0,,,16777215\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file left";

    QString error;
    EXPECT_FALSE(writeSettings(dir.filePath("missing/folder"), s, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SettingsFile, AWritableFileInAFolderThatTakesNoNewFilesIsRewritten)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("pic-ini.dat");
    writeFile(file, "1,2,3,5,1,0,,,0\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    Settings s;
    s.red = 200;
    const bool written = asUnprivilegedUser([&] { return writeSettings(dir.path(), s); });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_TRUE(written);
    EXPECT_EQ(readFile(file), QByteArray("200,0,0,5,1,0,,,16777215\r\n"));
}

TEST(Startup, RestoresSettingsAndRunsSliderHandling)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("pic-ini.dat"), "127.5,100,50.25,10,4,45,\"t\",,255\r\n");
    DrawingState s;
    Canvas canvas(64, 48);
    ColourSliders sliders(s);
    test::ScriptedRandom random({0.7, 0.2, 0.5});
    Form_Load(s, canvas, sliders, random, ScreenMetrics{1024, 768, 15, 15}, dir.path());
    EXPECT_EQ(s.screenWidthTwips, 15360);
    EXPECT_EQ(s.red, 128) << "127.5 rounds to the slider's 128, which the change handling copies back";
    EXPECT_EQ(s.blue, 50);
    EXPECT_EQ(sliders.position(3), 50);
    EXPECT_EQ(s.brushSize, 10);
    EXPECT_EQ(s.penWidth, 10);
    EXPECT_EQ(canvas.drawWidth(), 10);
    EXPECT_EQ(s.colourDirection, (std::array<int, 3>{1, -1, 0}));
    EXPECT_EQ(canvas.backColor(), 255);
    EXPECT_EQ(canvas.pixel(10, 10), 255);
    EXPECT_EQ(sliders.swatch(), 128 + 256 * 100 + 65536 * 50);
    EXPECT_EQ(s.rainbowColours[1], 255 + 256 * 190 + 65536 * 80);

    s.appPath = dir.path().toStdString();
    ASSERT_TRUE(Form_QueryUnload(s));
    EXPECT_EQ(readFile(dir.filePath("pic-ini.dat")), QByteArray("128,100,50,10,4,45,\"t\",,255\r\n"));
}

TEST(Startup, MissingFileGivesDefaultsAndTheSwatchShowsBlack)
{
    QTemporaryDir dir;
    DrawingState s;
    Canvas canvas(64, 48);
    ColourSliders sliders(s);
    test::ScriptedRandom random({0.1, 0.2, 0.3});
    const SettingsReadResult r = Form_Load(s, canvas, sliders, random, ScreenMetrics{}, dir.path());
    EXPECT_FALSE(r.found);
    EXPECT_EQ(s.brushSize, 5);
    EXPECT_EQ(s.colourMode, 1);
    EXPECT_EQ(canvas.pixel(0, 0), kWhite);
    EXPECT_EQ(sliders.swatch(), kBlack);
}

// Whatever the program reads, it writes a line that it reads back to the same
// nine fields, and writing that again gives the same bytes.
TEST(SettingsFile, EveryLineWrittenReadsBackToTheSameFields)
{
    const std::vector<std::string> pieces = {"0", "1", "255", "5", "37.25", "-0.4", "5e-324", "1e308", "0x10", "abc",
                                             "\"", "\"\"", "\"a,b\"", "\"a\"b\"", " ", ",", ",", ",", "\xEF\xBB\xBF",
                                             "\r", "+3", ".5", "16777215", "e", "-", "\t"};
    std::mt19937 rng(20261207);
    for (int n = 0; n < 20000; ++n) {
        std::string line;
        const int count = 1 + static_cast<int>(rng() % 30);
        for (int i = 0; i < count; ++i)
            line += pieces[rng() % pieces.size()];
        if (rng() % 8 == 0)
            line = "5e-324,-5e-324,1e-300,1,1,1,\"" + std::string(rng() % 4000, 'x') + "\"," + line;
        const SettingsReadResult first = parseSettingsLine(line);
        const std::string written = formatSettingsLine(first.settings);
        ASSERT_LE(written.size(), 4096u) << line;
        const SettingsReadResult again = parseSettingsLine(written);
        ASSERT_TRUE(again.ignored.empty()) << line << " -> " << written;
        ASSERT_EQ(formatSettingsLine(again.settings), written) << line;
        ASSERT_EQ(again.settings.storedValue7, first.settings.storedValue7) << line;
        ASSERT_EQ(again.settings.storedValue8, first.settings.storedValue8) << line;
    }
}

TEST(SettingsFile, UnusableFieldsSevenAndEightAMarkAndAStrayQuoteCostNothingElse)
{
    // Kept byte for byte through a start and a close.
    QTemporaryDir dir;
    writeFile(dir.filePath("pic-ini.dat"), "1,2,3,5,1,0,abc,0x10,0\r\n");
    ASSERT_TRUE(writeSettings(dir.path(), readSettings(dir.path()).settings));
    EXPECT_EQ(readFile(dir.filePath("pic-ini.dat")), QByteArray("1,2,3,5,1,0,abc,0x10,0\r\n"));

    const SettingsReadResult marked = parseSettingsLine("\xEF\xBB\xBF" "200,2,3,5,1,0,,,0\r\n");
    EXPECT_TRUE(marked.ignored.empty());
    EXPECT_EQ(marked.settings.red, 200);

    const SettingsReadResult stray = parseSettingsLine("1,2,3,5,1,0,\"a\"b\"c,\"x,0\r\n");
    EXPECT_TRUE(stray.ignored.empty());
    EXPECT_EQ(stray.settings.backgroundColour, 0);
    EXPECT_EQ(formatSettingsLine(stray.settings), "1,2,3,5,1,0,\"a\"b\"c,\"x,0\r\n");
}

// A settings name that is a pipe, a device or a link to either is not read:
// start-up goes on at once with the defaults and says why on standard error.
// Each start runs in a child, so that one that waits for good is a result.
TEST(Startup, ASettingsNameThatIsNoRegularFileGivesTheDefaultsAtOnce)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(::mkfifo(folder + "/pipe", 0600), 0);
    for (const char* leadsTo : std::initializer_list<const char*>{"pipe", "/dev/zero", nullptr}) {
        SCOPED_TRACE(leadsTo ? leadsTo : "a pipe of that name");
        const QByteArray settings = folder + "/pic-ini.dat";
        ::unlink(settings.constData());
        ASSERT_EQ(leadsTo ? ::symlink(leadsTo, settings.constData()) : ::mkfifo(settings.constData(), 0600), 0);
        const test::ChildEnd start = test::runInChild([&] {
            DrawingState s;
            Canvas canvas(64, 48);
            ColourSliders sliders(s);
            test::ScriptedRandom random({0.1, 0.2, 0.3});
            const SettingsReadResult r = Form_Load(s, canvas, sliders, random, ScreenMetrics{}, dir.path());
            return !r.found && !r.problem.empty() && s.brushSize == 5 && s.colourMode == 1 ? 0 : 1;
        });
        EXPECT_FALSE(start.hung) << "start-up waits on the settings file";
        EXPECT_EQ(start.exitCode, 0);
    }
}

// A settings file that is a link is written through it: the file it leads to
// is replaced in its own folder, keeping its permissions, and the link stays.
// A link to a device (/dev/null, to keep no settings) is not written at all.
TEST(SettingsFile, AWriteFollowsALinkToItsFileAndNeverReplacesALinkToADevice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("app"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("elsewhere"));
    const QString target = dir.filePath("elsewhere/settings");
    writeFile(target, "1,2,3,5,1,0,,,0\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const QByteArray link = QFile::encodeName(dir.filePath("app/pic-ini.dat"));
    ASSERT_EQ(::symlink("../elsewhere/settings", link.constData()), 0);
    Settings s;
    s.red = 200;
    ASSERT_TRUE(writeSettings(dir.filePath("app"), s));
    EXPECT_EQ(readFile(target), QByteArray("200,0,0,5,1,0,,,16777215\r\n"));
    EXPECT_EQ(readSettings(dir.filePath("app")).settings.red, 200);
    char leadsTo[256] = {};
    EXPECT_EQ(::readlink(link.constData(), leadsTo, sizeof leadsTo - 1), 21);
    EXPECT_STREQ(leadsTo, "../elsewhere/settings");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.filePath("elsewhere")).entryList(QDir::Files | QDir::Hidden), QStringList{"settings"});

    ASSERT_EQ(::unlink(link.constData()), 0);
    ASSERT_EQ(::symlink("/dev/null", link.constData()), 0);
    QString error;
    EXPECT_FALSE(writeSettings(dir.filePath("app"), s, &error));
    EXPECT_EQ(error, notRegularFileText());
    ASSERT_EQ(::lstat(link.constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(QDir(dir.filePath("app")).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"pic-ini.dat"});
}

// An old file far too large to hold in memory (4 TiB, sparse) is rewritten in
// place, in a folder that takes no new file, by reading only the bytes the
// new line covers: it is cut to the line.
TEST(SettingsFile, AnOldFileTooLargeToHoldIsCutToTheNewLineInPlace)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("pic-ini.dat");
    writeFile(file, "1,2,3,5,1,0,,,0\r\n");
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), qint64(4) << 40), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    Settings s;
    s.red = 200;
    const test::ChildEnd end = test::runInChild([&] { return asUnprivilegedUser([&] { return writeSettings(dir.path(), s); }) ? 0 : 1; });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_FALSE(end.hung);
    EXPECT_EQ(end.exitCode, 0) << "signal " << end.signal;
    ASSERT_LT(QFileInfo(file).size(), 100);
    EXPECT_EQ(readFile(file), QByteArray("200,0,0,5,1,0,,,16777215\r\n"));
}
