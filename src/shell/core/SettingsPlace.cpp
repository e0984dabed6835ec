// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/core/SettingsPlace.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/core/SettingsFile.h"

namespace pemma {

namespace {

// A regular file of exactly the settings file's name is in the folder (the
// name compared as bytes, whatever the file system does with letter case).
bool hasSettingsFile(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, kSettingsFileName) == 0) {
            struct stat st {};
            found = ::stat((folder + '/' + kSettingsFileName).constData(), &st) == 0 && S_ISREG(st.st_mode);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Makes the folder and any missing parent, each new one readable by its
// owner only.
void makeFolder(const QByteArray& path)
{
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const QByteArray part = path.left(i);
            if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
                return;
        }
    }
}

} // namespace

QString folderName(const QByteArray& bytes)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes)
        return text;
    // One handle per folder for the life of the program.
    static std::map<QByteArray, QString> opened;
    if (const auto it = opened.find(bytes); it != opened.end())
        return it->second;
    const int fd = ::open(bytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return text;
    return opened[bytes] = QStringLiteral("/proc/self/fd/%1").arg(fd);
}

QString programFolder()
{
    QByteArray path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), static_cast<size_t>(path.size()));
        if (n < 0)
            return QCoreApplication::applicationDirPath();
        if (n < path.size()) {
            path.truncate(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // A replaced executable reads ".../pemmarover (deleted)": the folder is
    // still the part before the last separator.
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QCoreApplication::applicationDirPath();
    return folderName(slash == 0 ? QByteArray("/") : path.left(slash));
}

QByteArray userSettingsFolder()
{
    QByteArray base = qgetenv("XDG_CONFIG_HOME");
    if (!base.startsWith('/')) {
        QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/')) {
            if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir)
                home = pw->pw_dir;
        }
        base = home + "/.config";
    }
    return base + "/pemmarover";
}

SettingsPlace settingsPlace(const QString& programFolder, bool forWriting)
{
    const QByteArray beside = QFile::encodeName(programFolder);
    const bool besideHasFile = hasSettingsFile(beside);
    // A file there is rewritten (in place when the folder takes no new file);
    // without one the folder must take it.
    const bool besideWritable = besideHasFile
        ? ::access((beside + '/' + kSettingsFileName).constData(), W_OK) == 0
        : ::access(beside.constData(), W_OK | X_OK) == 0;
    if (besideWritable)
        return {programFolder, programFolder, true};

    const QByteArray user = userSettingsFolder();
    if (forWriting)
        makeFolder(user);
    const QString userFolder = folderName(user);
    SettingsPlace place{userFolder, userFolder, false};
    if (besideHasFile && !hasSettingsFile(user))
        place.readFolder = programFolder;
    return place;
}

} // namespace pemma
