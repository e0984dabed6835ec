// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/HelperThread.h"

#include <sched.h>
#include <unistd.h>

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
        avoid(sched_getcpu());
        {
            std::lock_guard lock(mutex_);
            job_ = &besides;
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
    HelperThread()
    {
        haveAllowed_ = sched_getaffinity(0, sizeof allowed_, &allowed_) == 0;
        thread_ = std::thread([this] { loop(); });
        std::unique_lock lock(mutex_);
        started_.wait(lock, [this] { return helperId_ != 0; });
    }

    // Keeps the helper off the caller's processor (the others it may use
    // stay as they were). Set by the caller, before the helper is woken: a
    // helper left only the processor the caller has moved to could not
    // start until the caller is through. Changed only when the caller has
    // moved.
    void avoid(int cpu)
    {
        if (cpu < 0 || cpu == avoided_ || !haveAllowed_)
            return;
        cpu_set_t set = allowed_;
        CPU_CLR(cpu, &set);
        if (CPU_COUNT(&set) > 0 && sched_setaffinity(helperId_, sizeof set, &set) == 0)
            avoided_ = cpu;
    }

    void loop()
    {
        std::unique_lock lock(mutex_);
        helperId_ = gettid();
        started_.notify_one();
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || job_; });
            if (stop_)
                return;
            const std::function<void()>* job = job_;
            job_ = nullptr;
            running_ = true;
            lock.unlock();
            (*job)();
            lock.lock();
            running_ = false;
            finished_.notify_one();
        }
    }

    std::mutex callerMutex_;
    std::mutex mutex_;
    std::condition_variable started_, wake_, finished_;
    // Posted and not yet taken by either thread.
    const std::function<void()>* job_ = nullptr;
    bool running_ = false;
    bool stop_ = false;
    pid_t helperId_ = 0;
    // The processors the program may use; touched by callers only, under
    // callerMutex_.
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
