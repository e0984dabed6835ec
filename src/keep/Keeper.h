// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "canvas/Canvas.h"
#include "keep/KeepFolder.h"
#include "keep/KeptFile.h"
#include "state/DrawingState.h"

namespace pemma {

// When a keep is due: `afterChangeMs` after a change ends, and
// `duringChangeMs` after the first change not yet kept while changes go on.
struct KeepTiming {
    int afterChangeMs = 2000;
    int duringChangeMs = 25000;
};

// Keeps the painting on disk as it grows, without the window's thread ever
// waiting for it.
//
// The keeper stands between the canvas and its write observer (the undo
// history), so it hears of every write before it happens and notes the
// tiles written. When a keep is due it takes a snapshot: it records which
// tiles changed since the last one and hands them to its own thread, which
// copies them from the drawing into the keeper's copy, encodes that copy
// and writes it. The drawing itself is not copied on the window's thread: a
// write to a tile the other thread has not copied yet copies that tile
// first (a few microseconds), so the copy is the drawing exactly as it was
// at the snapshot.
//
// A change ends with a stroke's release, a command, undo or redo; a long
// stroke is kept while it goes on. With nothing changed there is no timer
// and nothing is written.
class Keeper final : public QObject, public CanvasWriteObserver {
    Q_OBJECT
public:
    static constexpr int kTileSize = 64;

    // Passes every write on to `next`. `changed`: the drawing as it now is
    // has not been kept yet (a painting just put back).
    Keeper(Canvas& canvas, DrawingState& state, CanvasWriteObserver* next, std::unique_ptr<KeepSlot> slot,
           KeepTiming timing = {}, bool changed = false);
    // Waits for a write under way; marks nothing.
    ~Keeper() override;

    void aboutToWrite(const QRect& area) override;
    void aboutToWriteAlong(QPoint a, QPoint b, int reach) override;

    // The drawing changed within area without announcing it (undo, redo).
    void changedWithin(const QRect& area);
    // A change has ended.
    void changeEnded();
    // Before anything that may write the drawing unannounced or move it in
    // memory: the copy of a snapshot is finished first.
    void settle();

    // The end of the run: the painting as it is now is written, here and
    // now, when it changed since it was last kept, and marked as closed
    // normally. Later changes are kept again as usual.
    void keepAtEnd();

    // Takes a snapshot now when there is something to keep; false when
    // nothing changed or a write is still under way.
    bool keepNow();
    // Waits until no write is under way.
    void waitIdle();

    bool timerActive() const { return timer_.isActive(); }
    bool writing() const { return busy_; }
    int writesDone() const { return writesDone_; }
    // Tiles the window's thread copied itself, because it was about to
    // write them before the other thread had copied them.
    int tilesCopiedHere() const { return tilesCopiedHere_; }
    const KeepSlot& slot() const { return *slot_; }
    // Tests: called on the window's thread as each snapshot is taken.
    std::function<void()> onSnapshot;

private:
    struct Job {
        std::vector<int> tiles;
        KeptPainting values; // everything but the drawing
        const std::uint32_t* source = nullptr;
        qsizetype sourceStride = 0;
        bool closedNormally = false;
        std::uint64_t serial = 0;
    };
    struct Values {
        Colour back = 0;
        qint64 pictureKey = 0;
        double pictureWidth = 0, pictureHeight = 0;
        bool operator==(const Values&) const = default;
    };
    Values currentValues() const;
    void syncGrid();
    void markTiles(int left, int top, int right, int bottom);
    // Copies tile t into the copy unless the other thread has; waits while
    // it is copying it.
    void copyPending(int t);
    void copyTile(int t, const std::uint32_t* source, qsizetype stride);
    Job snapshot(bool closedNormally);
    void hand(Job job);
    void arm(int ms);
    void onTimer();
    void onWritten();
    void report(const QString& error);
    void run();
    // The other thread's part of a job, or all of it in keepAtEnd.
    QString copyAndWrite(Job& job);

    Canvas& canvas_;
    DrawingState& state_;
    CanvasWriteObserver* next_;
    std::unique_ptr<KeepSlot> slot_;
    KeepTiming timing_;
    QTimer timer_;

    // The keeper's copy of the drawing and its tiles.
    QImage copy_;
    int columns_ = 0, rows_ = 0;
    std::vector<std::uint8_t> dirty_; // written since the last snapshot
    // 1: to copy for the snapshot under way; 2: being copied; 0: done.
    std::unique_ptr<std::atomic<std::uint8_t>[]> pending_;
    std::atomic<bool> copying_{false};
    // The snapshot under way: its tiles, and the drawing's rows it copies.
    std::vector<int> jobTiles_;
    const std::uint32_t* jobSource_ = nullptr;
    qsizetype jobStride_ = 0;

    bool changed_ = false;       // changes not yet in a snapshot
    bool endedSince_ = false;    // a change ended since the last snapshot
    bool retry_ = false;         // the last write failed
    bool busy_ = false;          // a job is with the other thread
    bool snapshotWanted_ = false;
    Values kept_{};
    std::uint64_t serial_ = 0;
    int writesDone_ = 0;
    int tilesCopiedHere_ = 0;
    QSet<QString> reported_;
    KeptPictureCache pictureCache_; // the other thread's

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> job_;
    bool working_ = false;
    bool jobDone_ = false;
    QString jobError_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace pemma
