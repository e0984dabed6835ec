#include "files/AtomicWrite.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pemma {

namespace {

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Writes all of data at offset, retrying short writes; false with errno set
// when the system takes no more.
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

bool readAll(int fd, QByteArray* out)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    out->resize(static_cast<qsizetype>(st.st_size));
    qint64 done = 0;
    while (done < out->size()) {
        const ssize_t n = ::pread(fd, out->data() + done, static_cast<size_t>(out->size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
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

} // namespace

QString replaceFile(const QString& path, const QByteArray& data, ReplaceMode mode)
{
    const QByteArray target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? target.left(slash) : QByteArray("/");
    QByteArray temp = target + ".XXXXXX";

    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        if (mode == ReplaceMode::InPlaceWhenFolderIsClosed && (err == EACCES || err == EPERM || err == EROFS)
            && ::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode))
            return rewriteInPlace(path, data);
        return systemError(err);
    }

    // The new file gets the permissions the old one had, or the usual ones.
    struct stat old {};
    mode_t perms;
    if (::stat(target.constData(), &old) == 0) {
        perms = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        perms = 0666 & ~mask;
    }

    int err = 0;
    if (::fchmod(fd, perms) != 0 && errno != EPERM)
        err = errno;
    if (err == 0 && !writeAllAt(fd, data.constData(), data.size(), 0))
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(temp.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.constData());
        return systemError(err);
    }
    syncFolder(folder);
    return {};
}

QString rewriteInPlace(const QString& path, const QByteArray& data)
{
    const QByteArray target = QFile::encodeName(path);
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return systemError(errno);
    QByteArray old;
    if (!readAll(fd, &old)) {
        const int err = errno ? errno : EIO;
        ::close(fd);
        return systemError(err);
    }

    int err = 0;
    if (!writeAllAt(fd, data.constData(), data.size(), 0) || ::fsync(fd) != 0)
        err = errno;
    if (err == 0 && data.size() < old.size() && (::ftruncate(fd, data.size()) != 0 || ::fsync(fd) != 0))
        err = errno;
    if (err != 0) {
        // Put the old content back as it was, length included.
        writeAllAt(fd, old.constData(), old.size(), 0);
        if (::ftruncate(fd, old.size()) == 0)
            ::fsync(fd);
    }
    ::close(fd);
    return err == 0 ? QString() : systemError(err);
}

} // namespace pemma
