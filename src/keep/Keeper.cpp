// SPDX-License-Identifier: GPL-3.0-or-later
#include "keep/Keeper.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

#include "canvas/ScreenImage.h"

namespace pemma {

Keeper::Keeper(Canvas& canvas, DrawingState& state, CanvasWriteObserver* next, std::unique_ptr<KeepSlot> slot,
               KeepTiming timing, bool changed)
    : canvas_(canvas), state_(state), next_(next), slot_(std::move(slot)), timing_(timing)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Keeper::onTimer);
    syncGrid();
    kept_ = currentValues();
    if (changed) {
        changed_ = true;
        changeEnded();
    }
}

Keeper::~Keeper()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

Keeper::Values Keeper::currentValues() const
{
    return {canvas_.backColor(), canvas_.picture().cacheKey(), state_.pictureWidth, state_.pictureHeight};
}

void Keeper::syncGrid()
{
    const QSize size(canvas_.width(), canvas_.height());
    if (!copy_.isNull() && copy_.size() == size)
        return;
    copy_ = makeScreenImage(size.width(), size.height());
    columns_ = (size.width() + kTileSize - 1) / kTileSize;
    rows_ = (size.height() + kTileSize - 1) / kTileSize;
    const std::size_t n = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    dirty_.assign(n, 1);
    pending_ = std::make_unique<std::atomic<std::uint8_t>[]>(n);
}

void Keeper::markTiles(int left, int top, int right, int bottom)
{
    // Cut to the grid; `right` and `bottom` are inclusive pixel positions.
    left = std::max(left, 0) / kTileSize;
    top = std::max(top, 0) / kTileSize;
    right = std::min(right / kTileSize, columns_ - 1);
    bottom = std::min(bottom / kTileSize, rows_ - 1);
    if (left > right || top > bottom)
        return;
    const bool copying = copying_.load(std::memory_order_acquire);
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const int t = row * columns_ + column;
            dirty_[static_cast<std::size_t>(t)] = 1;
            if (copying)
                copyPending(t);
        }
    }
    changed_ = true;
    if (!timer_.isActive())
        timer_.start(timing_.duringChangeMs);
}

void Keeper::aboutToWrite(const QRect& area)
{
    if (next_)
        next_->aboutToWrite(area);
    if (!area.isEmpty())
        markTiles(area.left(), area.top(), area.right(), area.bottom());
}

void Keeper::aboutToWriteAlong(QPoint a, QPoint b, int reach)
{
    if (next_)
        next_->aboutToWriteAlong(a, b, reach);
    // Boxes around points at most a tile apart along the segment: every
    // pixel within `reach` of the segment lies within reach plus a tile of
    // one of them.
    const int dx = b.x() - a.x(), dy = b.y() - a.y();
    const int steps = std::max(std::abs(dx), std::abs(dy)) / kTileSize + 1;
    const int margin = reach + kTileSize;
    for (int i = 0; i <= steps; ++i) {
        const int x = a.x() + static_cast<int>(static_cast<qint64>(dx) * i / steps);
        const int y = a.y() + static_cast<int>(static_cast<qint64>(dy) * i / steps);
        markTiles(x - margin, y - margin, x + margin, y + margin);
    }
}

void Keeper::changedWithin(const QRect& area)
{
    const QRect r = area.intersected(QRect(0, 0, canvas_.width(), canvas_.height()));
    if (!r.isEmpty())
        markTiles(r.left(), r.top(), r.right(), r.bottom());
}

void Keeper::copyTile(int t, const std::uint32_t* source, qsizetype stride)
{
    const int x = (t % columns_) * kTileSize, y = (t / columns_) * kTileSize;
    const int w = std::min(kTileSize, copy_.width() - x), h = std::min(kTileSize, copy_.height() - y);
    // Raw rows: QImage's own accessors are not for two threads at once.
    auto* target = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(copy_.constBits()));
    const qsizetype targetStride = copy_.bytesPerLine() / 4;
    for (int row = y; row < y + h; ++row)
        std::memcpy(target + row * targetStride + x, source + row * stride + x, static_cast<std::size_t>(w) * 4);
}

void Keeper::copyPending(int t)
{
    std::atomic<std::uint8_t>& state = pending_[static_cast<std::size_t>(t)];
    std::uint8_t expected = 1;
    if (state.compare_exchange_strong(expected, 2, std::memory_order_acq_rel)) {
        copyTile(t, jobSource_, jobStride_);
        state.store(0, std::memory_order_release);
        ++tilesCopiedHere_;
        return;
    }
    while (state.load(std::memory_order_acquire) == 2)
        std::this_thread::yield();
}

void Keeper::settle()
{
    if (!copying_.load(std::memory_order_acquire))
        return;
    for (int t : jobTiles_)
        copyPending(t);
}

Keeper::Job Keeper::snapshot(bool closedNormally)
{
    syncGrid();
    Job job;
    jobTiles_.clear();
    for (std::size_t t = 0; t < dirty_.size(); ++t) {
        if (dirty_[t]) {
            dirty_[t] = 0;
            pending_[t].store(1, std::memory_order_relaxed);
            jobTiles_.push_back(static_cast<int>(t));
        }
    }
    job.tiles = jobTiles_;
    jobSource_ = reinterpret_cast<const std::uint32_t*>(canvas_.image().constBits());
    jobStride_ = canvas_.image().bytesPerLine() / 4;
    job.source = jobSource_;
    job.sourceStride = jobStride_;
    job.values.backColor = canvas_.backColor();
    job.values.picture = canvas_.picture();
    job.values.pictureWidth = state_.pictureWidth;
    job.values.pictureHeight = state_.pictureHeight;
    job.closedNormally = closedNormally;
    job.serial = ++serial_;
    copying_.store(!jobTiles_.empty(), std::memory_order_release);
    kept_ = currentValues();
    changed_ = false;
    endedSince_ = false;
    if (onSnapshot)
        onSnapshot();
    return job;
}

QString Keeper::copyAndWrite(Job& job)
{
    for (int t : job.tiles) {
        std::atomic<std::uint8_t>& state = pending_[static_cast<std::size_t>(t)];
        std::uint8_t expected = 1;
        if (state.compare_exchange_strong(expected, 2, std::memory_order_acq_rel)) {
            copyTile(t, job.source, job.sourceStride);
            state.store(0, std::memory_order_release);
        }
    }
    // Tiles the window's thread is copying itself are waited for.
    for (int t : job.tiles)
        while (pending_[static_cast<std::size_t>(t)].load(std::memory_order_acquire) != 0)
            std::this_thread::yield();
    copying_.store(false, std::memory_order_release);

    KeptPainting painting = std::move(job.values);
    painting.drawing = QImage(copy_.constBits(), copy_.width(), copy_.height(), copy_.bytesPerLine(),
                              QImage::Format_RGB32);
    painting.closedNormally = job.closedNormally;
    // The picture goes to a file of its own, written once for each picture.
    const QByteArray file = encodeKept(painting, &pictureCache_, true);
    if (file.isEmpty())
        return QStringLiteral("the painting is larger than a kept painting may be");
    const bool first = !slot_->hasPainting();
    QString error = slot_->write(file, painting.picture.isNull() ? nullptr : &pictureCache_);
    // Only the newest few are kept; this program's first one may be one
    // too many.
    if (error.isEmpty() && first)
        pruneKept(slot_->folder());
    return error;
}

void Keeper::run()
{
    // Below the window's thread, so that waking up to copy and encode never
    // takes a core from a stroke.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || job_; });
        if (stop_)
            return;
        Job job = std::move(*job_);
        job_.reset();
        working_ = true;
        lock.unlock();
        const QString error = copyAndWrite(job);
        lock.lock();
        working_ = false;
        jobDone_ = true;
        jobError_ = error;
        wake_.notify_all();
        QMetaObject::invokeMethod(this, [this] { onWritten(); }, Qt::QueuedConnection);
    }
}

void Keeper::hand(Job job)
{
    busy_ = true;
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

void Keeper::waitIdle()
{
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !job_ && !working_; });
    }
    onWritten();
}

void Keeper::onWritten()
{
    QString error;
    {
        std::lock_guard lock(mutex_);
        if (!jobDone_)
            return;
        jobDone_ = false;
        error = jobError_;
    }
    busy_ = false;
    if (!error.isEmpty()) {
        report(error);
        // Kept again at the next change, or at the end.
        changed_ = true;
        snapshotWanted_ = false;
        return;
    }
    ++writesDone_;
    if (snapshotWanted_) {
        snapshotWanted_ = false;
        if (changed_ || currentValues() != kept_) {
            hand(snapshot(false));
            return;
        }
    }
    if (changed_ && !timer_.isActive())
        timer_.start(endedSince_ ? timing_.afterChangeMs : timing_.duringChangeMs);
}

void Keeper::arm(int ms)
{
    if (!timer_.isActive() || timer_.remainingTime() > ms)
        timer_.start(ms);
}

void Keeper::changeEnded()
{
    if (currentValues() != kept_)
        changed_ = true;
    if (!changed_)
        return;
    endedSince_ = true;
    arm(timing_.afterChangeMs);
}

void Keeper::onTimer()
{
    if (busy_) {
        snapshotWanted_ = true;
        return;
    }
    keepNow();
}

bool Keeper::keepNow()
{
    if (busy_ || (!changed_ && currentValues() == kept_))
        return false;
    timer_.stop();
    hand(snapshot(false));
    return true;
}

void Keeper::keepAtEnd()
{
    timer_.stop();
    snapshotWanted_ = false;
    waitIdle();
    QString error;
    if (changed_ || currentValues() != kept_) {
        Job job = snapshot(true);
        error = copyAndWrite(job);
        if (error.isEmpty())
            ++writesDone_;
        else
            changed_ = true;
    } else if (slot_->hasPainting()) {
        error = slot_->markClosed();
    }
    if (!error.isEmpty())
        report(error);
}

void Keeper::report(const QString& error)
{
    // One line per cause: a full disk does not fill the log.
    if (reported_.contains(error))
        return;
    reported_.insert(error);
    std::fprintf(stderr, "pemmarover: could not keep the painting in %s: %s\n",
                 QFile::encodeName(slot_->folder()).constData(), qPrintable(error));
}

} // namespace pemma
