// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/HelperThread.h"

#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace pemma {

namespace {

class HelperThread {
public:
    static HelperThread& instance()
    {
        static HelperThread helper;
        return helper;
    }

    void run(const std::function<void()>& besides, const std::function<void()>& own)
    {
        std::lock_guard caller(callerMutex_);
        {
            std::lock_guard lock(mutex_);
            job_ = &besides;
            callerCpu_ = sched_getcpu();
        }
        wake_.notify_one();
        own();
        std::unique_lock lock(mutex_);
        if (job_) {
            // Not begun yet (its processor is busy): done here instead.
            job_ = nullptr;
            lock.unlock();
            besides();
            return;
        }
        finished_.wait(lock, [this] { return !running_; });
    }

    ~HelperThread()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    HelperThread() : thread_([this] { loop(); }) {}

    // Keeps this thread off the caller's processor (the others it may use
    // stay as they were). Changed only when the caller has moved.
    void avoid(int cpu)
    {
        if (cpu < 0 || cpu == avoided_ || !haveAllowed_)
            return;
        cpu_set_t set = allowed_;
        CPU_CLR(cpu, &set);
        if (CPU_COUNT(&set) > 0 && sched_setaffinity(0, sizeof set, &set) == 0)
            avoided_ = cpu;
    }

    void loop()
    {
        haveAllowed_ = sched_getaffinity(0, sizeof allowed_, &allowed_) == 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || job_; });
            if (stop_)
                return;
            const std::function<void()>* job = job_;
            job_ = nullptr;
            running_ = true;
            const int cpu = callerCpu_;
            lock.unlock();
            avoid(cpu);
            (*job)();
            lock.lock();
            running_ = false;
            finished_.notify_one();
        }
    }

    std::mutex callerMutex_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    // Posted and not yet taken by either thread.
    const std::function<void()>* job_ = nullptr;
    int callerCpu_ = -1;
    bool running_ = false;
    bool stop_ = false;
    // Touched by the helper thread only.
    cpu_set_t allowed_{};
    bool haveAllowed_ = false;
    int avoided_ = -1;
    std::thread thread_;
};

} // namespace

void runBeside(const std::function<void()>& besides, const std::function<void()>& own)
{
    HelperThread::instance().run(besides, own);
}

} // namespace pemma
