// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

namespace pemma {

// A file's name as the system knows it (bytes, which need not be valid
// UTF-8) and as the user is shown it.
struct FileName {
    QByteArray native;
    QString shown;

    static FileName fromText(const QString& name);
    static FileName fromNative(const QByteArray& bytes);
    // The same name from the root: a relative one is joined to the current
    // folder (as bytes).
    FileName absolute() const;
};

// Reads up to size bytes at offset, retrying short and interrupted reads
// until size or the end of the file; the bytes read, or -1 with errno set.
qint64 readAllAt(int fd, char* data, qint64 size, qint64 offset);

// A file opened once for reading. What it is and how large it is come from
// the open file itself, and so do its bytes: a name that leads somewhere else
// a moment later (a swapped file, a pipe put in its place) changes nothing.
// The open never waits, not even on a pipe or a device, and nothing is mapped
// into memory, so a file that another program shortens cannot stop the
// program with a signal.
class OpenedFile {
public:
    enum class Kind {
        Regular,
        Missing, // no such file, or a link to nothing
        Folder,
        Other,   // a pipe, a device, a socket, or a link to one
        Failed,  // it could not be opened or examined (see error())
    };

    explicit OpenedFile(const QByteArray& name);
    ~OpenedFile();
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    Kind kind() const { return kind_; }
    // The size when it was opened.
    qint64 size() const { return size_; }
    // The system's error number behind Missing and Failed.
    int error() const { return error_; }

    // The first bytes of the file, at most max of them: fewer when the file
    // has become shorter since it was opened, never more than it had then.
    // False (with error() set) when the system refuses the read.
    bool readStart(qint64 max, QByteArray* out);

private:
    int fd_ = -1;
    Kind kind_ = Kind::Failed;
    qint64 size_ = 0;
    int error_ = 0;
};

// Called between the check of an opened file and its first read; tests use it
// to change the file at exactly that moment.
extern std::function<void()> afterOpenedFileCheckForTesting;

} // namespace pemma
