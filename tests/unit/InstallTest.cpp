// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "canvas/Canvas.h"
#include "shell/core/SettingsFile.h"
#include "shell/core/SettingsPlace.h"
#include "shell/core/Startup.h"
#include "support/Scripted.h"

using namespace pemma;

namespace {

QByteArray bytesOf(const QString& path) { return QFile::encodeName(path); }

void writeBytes(const QByteArray& path, const QByteArray& bytes, mode_t mode)
{
    QFile f(QFile::decodeName(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

bool exists(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0;
}

// Where the program is and what settings files are there already. Each case
// runs a close and a start as a user without privileges (root may write
// anywhere), in a child process so that the environment it is given stays
// there; the child reports what failed on a pipe.
struct Place {
    const char* what;
    mode_t programFolderMode;
    int besideFileMode; // -1: no file beside the program
    bool userFile;      // the user's settings file is there already
    const char* configHome; // "set", "unset" or "relative"
    char readAt, writeAt;   // 'P' the program's folder, 'U' the user's folder
};

} // namespace

TEST(SettingsPlace, SettingsSurviveACloseAndStartWhereverTheProgramIs)
{
    const Place places[] = {
        {"a folder of its own", 0777, -1, false, "set", 'P', 'P'},
        {"a writable file in a folder that takes no new file", 0555, 0666, false, "set", 'P', 'P'},
        {"a system-wide install", 0555, -1, false, "set", 'U', 'U'},
        {"a system-wide install, XDG_CONFIG_HOME unset", 0555, -1, false, "unset", 'U', 'U'},
        {"a system-wide install, XDG_CONFIG_HOME relative", 0555, -1, false, "relative", 'U', 'U'},
        {"a read-only file beside it and none of the user's", 0777, 0444, false, "set", 'P', 'U'},
        {"a read-only file beside it and the user's own", 0555, 0444, true, "set", 'U', 'U'},
        {"a writable file beside it and one of the user's too", 0555, 0666, true, "set", 'P', 'P'},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.what);
        QTemporaryDir root;
        const QByteArray base = bytesOf(root.path());
        const QByteArray program = base + "/bin", config = base + "/config", home = base + "/home";
        const QByteArray user = std::string(p.configHome) == "set" ? config + "/pemmarover"
                                                                   : home + "/.config/pemmarover";
        ASSERT_EQ(::chmod(base.constData(), 0755), 0);
        for (const QByteArray& d : {program, config, home})
            ASSERT_EQ(::mkdir(d.constData(), 0777), 0);
        ASSERT_EQ(::chmod(config.constData(), 0777), 0);
        ASSERT_EQ(::chmod(home.constData(), 0777), 0);
        if (p.besideFileMode >= 0)
            writeBytes(program + "/pic-ini.dat", "1,2,3,5,1,0,,,0\r\n", static_cast<mode_t>(p.besideFileMode));
        if (p.userFile) {
            ASSERT_EQ(::mkdir(user.constData(), 0777), 0);
            writeBytes(user + "/pic-ini.dat", "4,5,6,5,1,0,,,0\r\n", 0666);
        }
        ASSERT_EQ(::chmod(program.constData(), p.programFolderMode), 0);

        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDERR_FILENO);
            std::string failures;
            auto check = [&](bool ok, const char* what) {
                if (!ok)
                    failures += std::string(what) + "; ";
            };
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(2);
            ::setenv("HOME", home.constData(), 1);
            if (std::string(p.configHome) == "set")
                ::setenv("XDG_CONFIG_HOME", config.constData(), 1);
            else if (std::string(p.configHome) == "relative")
                ::setenv("XDG_CONFIG_HOME", "config", 1);
            else
                ::unsetenv("XDG_CONFIG_HOME");
            const QString programName = QFile::decodeName(program);
            const QString userName = QFile::decodeName(user);
            const auto at = [&](char where) { return where == 'P' ? programName : userName; };
            const SettingsPlace before = settingsPlace(programName);
            check(before.readFolder == at(p.readAt), "read from the wrong folder at start");
            check(before.writeFolder == at(p.writeAt), "written to the wrong folder");
            check(before.besideProgram == (p.writeAt == 'P'), "besideProgram is wrong");

            // Close with a colour of our own; the next start reads it back.
            DrawingState s;
            s.appPath = programName.toStdString();
            s.red = 77;
            check(Form_QueryUnload(s), "the close did not write the settings");
            DrawingState next;
            Canvas canvas(16, 16);
            ColourSliders sliders(next);
            test::ScriptedRandom random({0.1, 0.2, 0.3});
            Form_Load(next, canvas, sliders, random, ScreenMetrics{}, programName);
            check(next.red == 77, "the next start did not read back what the close wrote");
            const QByteArray written = (p.writeAt == 'P' ? program : user) + "/pic-ini.dat";
            check(exists(written), "no file where the settings belong");
            if (p.writeAt == 'U') {
                check(p.besideFileMode >= 0 || !exists(program + "/pic-ini.dat"), "a file appeared beside the program");
                struct stat st {};
                check(p.userFile || (::stat(user.constData(), &st) == 0 && (st.st_mode & 0777) == 0700),
                      "the user's settings folder was not made private");
            }
            std::fputs(failures.c_str(), stderr);
            ::_exit(failures.empty() ? 0 : 1);
        }
        ::close(out[1]);
        QByteArray failures;
        char buf[512];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
            failures.append(buf, n);
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::chmod(program.constData(), 0755);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << failures.toStdString();
    }
}

TEST(SettingsPlace, AFolderWhoseNameIsNotUtf8IsStillTheFolderUsed)
{
    QTemporaryDir root;
    const QByteArray folder = bytesOf(root.path()) + "/caf\xE9";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QString name = folderName(folder);
    Settings s;
    s.red = 12;
    ASSERT_TRUE(writeSettings(settingsPlace(name).writeFolder, s));
    EXPECT_TRUE(exists(folder + "/pic-ini.dat"));
    EXPECT_EQ(readSettings(settingsPlace(name).readFolder).settings.red, 12);
    EXPECT_EQ(bytesOf(folderName(bytesOf(root.path()))), bytesOf(root.path())) << "plain names are kept as they are";
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
}

TEST(DesktopEntry, OffersEveryPictureTypeTheOpenCommandReads)
{
    const QDir packaging(QStringLiteral(PEMMA_SOURCE_DIR "/packaging"));
    const QStringList entries = packaging.entryList({QStringLiteral("*.desktop")});
    ASSERT_EQ(entries.size(), 1);
    QFile file(packaging.filePath(entries.first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList offered;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("MimeType=")))
            offered = line.mid(9).split(u';', Qt::SkipEmptyParts);
    }
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    EXPECT_GE(readable.size(), 10) << "the image format plugins are missing on this machine";
    for (const QByteArray& type : readable)
        EXPECT_TRUE(offered.contains(QString::fromLatin1(type))) << type.constData();
}
