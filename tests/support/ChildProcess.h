// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pemma::test {

// How a child process ended.
struct ChildEnd {
    bool hung = false; // still running at the deadline (it was then killed)
    int exitCode = -1; // fn's result when it returned, 255 when it threw
    int signal = 0;    // the signal that ended it otherwise
};

// Runs fn in a child process, so that a hang or a deadly signal is a result
// the test can check instead of the end of the test program. The deadline
// only tells a hang (something that never ends) from an answer.
inline ChildEnd runInChild(const std::function<int()>& fn, std::chrono::seconds deadline = std::chrono::seconds(30))
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Nothing may go back to the test framework from the child: an
        // exception would run the remaining tests there.
        try {
            ::_exit(fn());
        } catch (...) {
            ::_exit(255);
        }
    }
    ChildEnd end;
    const auto until = std::chrono::steady_clock::now() + deadline;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            end.hung = true;
            return end;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status))
        end.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        end.signal = WTERMSIG(status);
    return end;
}

} // namespace pemma::test
