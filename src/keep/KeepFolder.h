// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

#include "keep/KeptFile.h"

namespace pemma {

// The folder paintings are kept in: $XDG_STATE_HOME/pemmarover, or
// ~/.local/state/pemmarover when that variable is unset or not an absolute
// path. Empty when there is no home to put it in.
QString keepFolder();

// In the folder, each running program keeps one painting, <id>.kept, and
// holds a lock on <id>.lock (flock on an open descriptor, so it dies with
// the process): a file whose lock can be taken belongs to a program that no
// longer runs. Whoever takes such a lock may read, offer, set aside or remove
// that program's files while holding it.

// This program's own kept painting. The folder, the lock and the file are
// made at the first write, so a run that never changes the drawing leaves
// nothing behind; a folder removed meanwhile is made again.
class KeepSlot {
public:
    explicit KeepSlot(QString folder);
    ~KeepSlot();
    KeepSlot(const KeepSlot&) = delete;
    KeepSlot& operator=(const KeepSlot&) = delete;

    // Replaces the kept painting with file, checked as the saves are: a
    // temporary file beside it (mode 0600), every byte checked written,
    // synced, renamed over it, the folder synced. A file whose picture is
    // kept apart comes with that picture (see encodeKept); its own file is
    // written first, unless this very picture already is. Empty on success,
    // otherwise why not. One write at a time, from any one thread.
    QString write(const QByteArray& file, const KeptPictureCache* picture = nullptr);
    // Marks the kept painting as closed normally.
    QString markClosed();
    bool hasPainting() const { return written_; }
    QString paintingPath() const;
    const QString& folder() const { return folder_; }

    // Tests only: called after the bytes of each write are on disk and
    // before the rename, on the writing thread.
    static void setWriteProbe(void (*probe)());

private:
    QString prepare();

    QString folder_;
    QByteArray folderBytes_;
    QByteArray id_;
    int lockFd_ = -1;
    bool written_ = false;
    bool pictureWritten_ = false;
    std::uint64_t pictureHash_ = 0;
};

// A painting of a program that no longer runs, taken: its lock is held until
// this is destroyed, so no other start offers it meanwhile.
class TakenPainting {
public:
    TakenPainting(QString path, KeptPainting painting, int lockFd)
        : path_(std::move(path)), painting_(std::move(painting)), lockFd_(lockFd)
    {
    }
    TakenPainting(TakenPainting&& other) noexcept;
    TakenPainting& operator=(TakenPainting&& other) noexcept;
    ~TakenPainting();
    const QString& path() const { return path_; }
    const KeptPainting& painting() const { return painting_; }
    // The program that kept it did not end normally: a crash, a kill or a
    // power loss.
    bool crashed() const { return !painting_.closedNormally; }

private:
    QString path_;
    KeptPainting painting_;
    int lockFd_;
};

// The newest painting in the folder of a program that no longer runs and
// whose file reads whole. A file on the way that does not (cut short,
// damaged, junk, too large) is left aside as <name>.damaged with one line on
// standard error. What killed writers left behind (temporary files) goes.
std::optional<TakenPainting> takeNewestPainting(const QString& folder);

// Marks a kept painting (a taken one, or this program's) as closed normally:
// one byte in place, synced. Empty on success, otherwise why not.
QString markKeptClosed(const QString& path);

// Keeps the newest paintings, at most maxPaintings of them and maxBytes
// together (files left aside count too); removes older ones, never one a
// running program holds.
constexpr int kMostKeptPaintings = 5;
constexpr qint64 kMostKeptBytes = qint64(500) << 20;
void pruneKept(const QString& folder, int maxPaintings = kMostKeptPaintings, qint64 maxBytes = kMostKeptBytes);

} // namespace pemma
