// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileRead.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pemma {

std::function<void()> afterOpenedFileCheckForTesting;

FileName FileName::fromText(const QString& name) { return {QFile::encodeName(name), name}; }

FileName FileName::fromNative(const QByteArray& bytes) { return {bytes, QFile::decodeName(bytes)}; }

FileName FileName::absolute() const
{
    if (native.startsWith('/'))
        return *this;
    QByteArray folder(4096, '\0');
    while (!::getcwd(folder.data(), static_cast<size_t>(folder.size()))) {
        if (errno != ERANGE)
            return *this;
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qstrlen(folder.constData()));
    return fromNative(folder + '/' + native);
}

OpenedFile::OpenedFile(const QByteArray& name)
{
    // O_NONBLOCK: opening a pipe nobody writes to, or a device, would
    // otherwise wait; on a regular file it changes nothing.
    do
        fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        error_ = errno;
        kind_ = error_ == ENOENT || error_ == ENOTDIR ? Kind::Missing : Kind::Failed;
        return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error_ = errno;
        return;
    }
    size_ = st.st_size;
    kind_ = S_ISREG(st.st_mode) ? Kind::Regular : S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

OpenedFile::~OpenedFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool OpenedFile::readStart(qint64 max, QByteArray* out)
{
    out->clear();
    if (kind_ != Kind::Regular)
        return false;
    if (afterOpenedFileCheckForTesting)
        afterOpenedFileCheckForTesting();
    const qint64 wanted = std::clamp<qint64>(max, 0, size_);
    out->resize(static_cast<qsizetype>(wanted));
    // A file shorter now than when it was opened gives what it still has.
    const qint64 done = readAllAt(fd_, out->data(), wanted, 0);
    if (done < 0) {
        error_ = errno;
        out->clear();
        return false;
    }
    out->truncate(static_cast<qsizetype>(done));
    return true;
}

qint64 readAllAt(int fd, char* data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace pemma
