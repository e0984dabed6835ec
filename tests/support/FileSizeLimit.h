// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pemma::test {

// Runs fn in a child process in which no file may grow beyond limit bytes
// (writes past it fail half-way, as on a full disk; SIGXFSZ is ignored) and
// returns fn's result, or -1 when the child did not end normally.
inline int inChildWithFileSizeLimit(rlim_t limit, const std::function<int()>& fn)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit l{};
        ::getrlimit(RLIMIT_FSIZE, &l);
        l.rlim_cur = limit;
        if (::setrlimit(RLIMIT_FSIZE, &l) != 0)
            ::_exit(100);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace pemma::test
