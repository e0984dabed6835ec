// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageops/Parallel.h"

#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <latch>

namespace pemma::imageops {

namespace {

std::atomic<int> requestedWorkers{0};

// The helpers beside the calling thread. They stay up between commands and
// are left to the end of the program (never torn down, so that no command
// can find the pool gone).
QThreadPool& helperPool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setExpiryTimeout(-1);
        return p;
    }();
    return *pool;
}

} // namespace

int workerCount()
{
    const int n = requestedWorkers.load(std::memory_order_relaxed);
    return n > 0 ? n : std::max(1, QThread::idealThreadCount());
}

void setWorkerCount(int count) { requestedWorkers.store(std::max(0, count), std::memory_order_relaxed); }

void parallelFor(int count, int minChunk, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return;
    minChunk = std::max(1, minChunk);
    const int workers = std::min(workerCount(), (count + minChunk - 1) / minChunk);
    if (workers <= 1) {
        body(0, count);
        return;
    }
    // Several ranges per thread, taken in turn, so that a thread slowed down
    // by other programs leaves its share to the others.
    const int chunks = std::min((count + minChunk - 1) / minChunk, workers * 4);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int k = next.fetch_add(1); k < chunks; k = next.fetch_add(1)) {
            const int begin = static_cast<int>(static_cast<long long>(count) * k / chunks);
            const int end = static_cast<int>(static_cast<long long>(count) * (k + 1) / chunks);
            body(begin, end);
        }
    };
    QThreadPool& pool = helperPool();
    if (pool.maxThreadCount() < workers - 1)
        pool.setMaxThreadCount(workers - 1);
    std::latch done(workers - 1);
    for (int t = 1; t < workers; ++t)
        pool.start([&] {
            work();
            done.count_down();
        });
    work();
    done.wait();
}

} // namespace pemma::imageops
