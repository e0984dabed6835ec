#pragma once
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
// file in the same folder, every byte is checked written, the file is flushed
// to the disk, and only then is it renamed over path. On any failure the
// temporary file is removed and the earlier file stays as it was, byte for
// byte. Returns an empty string on success, otherwise why it failed (the
// system's words).
QString replaceFile(const QString& path, const QByteArray& data, ReplaceMode mode = ReplaceMode::NewFileOnly);

// Rewrites an existing file in place with data without ever leaving it
// shorter or different on failure: the new bytes are written over the old
// ones, the file is cut to their length only after all of them went to disk,
// and on a failure the old bytes are written back and the old length
// restored. Returns an empty string on success, otherwise why it failed.
QString rewriteInPlace(const QString& path, const QByteArray& data);

} // namespace pemma
