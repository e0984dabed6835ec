// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/types.h>
#include <QByteArray>
#include <QString>

namespace pemma {

// How a file is replaced by new content.
enum class ReplaceMode {
    // Only through a temporary file beside it that is renamed over it.
    NewFileOnly,
    // As above; where the folder takes no new files but the file itself may
    // be written, it is rewritten in place instead (see rewriteInPlace).
    InPlaceWhenFolderIsClosed,
};

// Replaces the file at path with exactly data: the bytes go to a temporary
// file (a short name of its own) in the file's folder, every byte is checked
// written, the file is flushed to the disk, and only then is it renamed over
// the file. On any failure the temporary file is removed and the earlier file
// stays as it was, byte for byte. A symbolic link is followed: the file it
// leads to is replaced and the link stays. What is not a regular file (a
// device, a pipe, a folder, or a link to one) is never written. A replaced
// file keeps its permission bits (set-id bits excepted); a new one gets the
// usual ones, 0666 less the umask. Returns an empty string on success,
// otherwise why it failed (the system's words, or notRegularFileText()).
QString replaceFile(const QString& path, const QByteArray& data, ReplaceMode mode = ReplaceMode::NewFileOnly);

// Rewrites an existing regular file in place with data without leaving it
// different on failure: the new bytes are written over the old ones, the file
// is cut to their length only after all of them went to disk, and on a
// failure the old bytes are written back and the old length restored. Only
// the old bytes the new ones cover are read, and a tail of up to 64 KiB; a
// longer old file (which no settings line is) is cut only once the new bytes
// are on the disk and is not put back after that. Returns an empty string on
// success, otherwise why it failed.
QString rewriteInPlace(const QString& path, const QByteArray& data);

// Why a file that is not a regular one was not written.
QString notRegularFileText();

// Writes all of data at offset, retrying short writes; false with errno set
// when the system takes no more.
bool writeAllAt(int fd, const char* data, qint64 size, off_t offset);
// Syncs a folder, so that a rename in it lasts.
void syncFolder(const QByteArray& folder);
// Ends the replacing of target (in folder) by the temporary file temp, open
// as fd, after writing it with the result err: closes fd; unless an error
// has come, renames temp over target and syncs the folder; otherwise removes
// temp. 0 on success, otherwise the first error.
int finishReplace(int fd, int err, const QByteArray& temp, const QByteArray& target, const QByteArray& folder);

} // namespace pemma
