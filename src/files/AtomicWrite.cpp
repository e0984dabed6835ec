// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/AtomicWrite.h"
#include "files/FileRead.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pemma {

namespace {

// Beyond the bytes it covers, an in-place rewrite keeps at most this much of
// the old file to put back on a failure.
constexpr qint64 kMaxRestoredTail = 64 * 1024;

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Reads size bytes from the start of the file; false with errno set when the
// system refuses or the file is shorter.
bool readStart(int fd, qint64 size, QByteArray* out)
{
    out->resize(static_cast<qsizetype>(size));
    const qint64 n = readAllAt(fd, out->data(), size, 0);
    if (n >= 0 && n < size)
        errno = EIO;
    return n == size;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Follows path while it names a symbolic link, to the name of what the link
// finally leads to (which may not exist yet). Returns 0 or the system's error.
int followLinks(QByteArray* path)
{
    for (int links = 0; links <= 40; ++links) {
        struct stat st {};
        if (::lstat(path->constData(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        QByteArray target(256, '\0');
        for (;;) {
            const ssize_t n = ::readlink(path->constData(), target.data(), static_cast<size_t>(target.size()));
            if (n < 0)
                return errno;
            if (n < target.size()) {
                target.truncate(n);
                break;
            }
            target.resize(target.size() * 2);
        }
        // A relative link is relative to its own folder.
        *path = target.startsWith('/') ? target : folderOf(*path) + '/' + target;
    }
    return ELOOP;
}

// Makes a new file of a short name of its own in the folder, so that any
// name the folder takes can be replaced. It is made with the usual
// permissions: the system takes off what the umask says.
int createTemporary(const QByteArray& folder, QByteArray* name, int* fd)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.pemma-";
        quint64 r = QRandomGenerator::global()->generate64();
        for (int i = 0; i < 6; ++i, r /= 62)
            *name += letters[r % 62];
        *fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (*fd >= 0)
            return 0;
        if (errno != EEXIST && errno != EINTR)
            return errno;
    }
    return EEXIST;
}

QString rewriteFileInPlace(const QByteArray& target, const QByteArray& data)
{
    int fd;
    do
        fd = ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return systemError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return systemError(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegularFileText();
    }
    // Only what the rewrite changes is kept to put back: the bytes the new
    // ones cover, and a short tail the new length cuts off. A longer tail is
    // cut only once the new bytes are on the disk, and is then gone.
    const qint64 oldSize = st.st_size;
    const qint64 covered = std::min<qint64>(oldSize, data.size());
    const bool tailKept = oldSize - covered <= kMaxRestoredTail;
    QByteArray old;
    if (!readStart(fd, tailKept ? oldSize : covered, &old)) {
        const int err = errno;
        ::close(fd);
        return systemError(err);
    }

    int err = 0;
    bool cut = false;
    if (!writeAllAt(fd, data.constData(), data.size(), 0) || ::fsync(fd) != 0)
        err = errno;
    if (err == 0 && data.size() < oldSize) {
        if (::ftruncate(fd, data.size()) != 0)
            err = errno;
        cut = err == 0;
        if (err == 0 && ::fsync(fd) != 0)
            err = errno;
    }
    if (err != 0 && (!cut || tailKept)) {
        // Put the old content back as it was, length included.
        writeAllAt(fd, old.constData(), old.size(), 0);
        if (::ftruncate(fd, oldSize) == 0)
            ::fsync(fd);
    }
    ::close(fd);
    return err == 0 ? QString() : systemError(err);
}

} // namespace

bool writeAllAt(int fd, const char* data, qint64 size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // makes the rename itself last; the data is already safe
        ::close(fd);
    }
}

QString notRegularFileText() { return QStringLiteral("not a regular file"); }

QString replaceFile(const QString& path, const QByteArray& data, ReplaceMode mode)
{
    // A link is followed to its file, which is replaced in its own folder;
    // the link stays as it was.
    QByteArray target = QFile::encodeName(path);
    if (const int err = followLinks(&target))
        return systemError(err);
    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return notRegularFileText(); // a device, a pipe or a folder is never replaced
    const QByteArray folder = folderOf(target);

    QByteArray temp;
    int fd = -1;
    if (const int err = createTemporary(folder, &temp, &fd)) {
        if (mode == ReplaceMode::InPlaceWhenFolderIsClosed && (err == EACCES || err == EPERM || err == EROFS)
            && exists)
            return rewriteFileInPlace(target, data);
        return systemError(err);
    }

    // A replaced file keeps its permissions, without any set-id bits; a new
    // one has those it was made with.
    int err = 0;
    if (exists && ::fchmod(fd, old.st_mode & 0777) != 0 && errno != EPERM)
        err = errno;
    if (err == 0 && !writeAllAt(fd, data.constData(), data.size(), 0))
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (const int failed = finishReplace(fd, err, temp, target, folder))
        return systemError(failed);
    return {};
}

int finishReplace(int fd, int err, const QByteArray& temp, const QByteArray& target, const QByteArray& folder)
{
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(temp.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.constData());
        return err;
    }
    syncFolder(folder);
    return 0;
}

QString rewriteInPlace(const QString& path, const QByteArray& data)
{
    return rewriteFileInPlace(QFile::encodeName(path), data);
}

} // namespace pemma
