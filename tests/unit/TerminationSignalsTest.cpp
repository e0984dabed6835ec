// SPDX-License-Identifier: GPL-3.0-or-later
// The termination signals: the first reaches the event loop, a second ends
// the program even when the event loop no longer answers, and the handler
// never waits nor disturbs the code it interrupts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <unistd.h>

#include "shell/core/TerminationSignals.h"
#include "support/ChildProcess.h"

using namespace pemma;

namespace {

bool handledByDefault(int sig)
{
    struct sigaction now {};
    ::sigaction(sig, nullptr, &now);
    return now.sa_handler == SIG_DFL;
}

} // namespace

TEST(TerminationSignals, TheFirstReachesTheEventLoopAndASecondEndsTheProgramAtOnce)
{
    {
        int runs = 0;
        TerminationSignals handling([&runs] { ++runs; });
        ASSERT_TRUE(handling.installed());
        EXPECT_FALSE(handledByDefault(SIGTERM));
        ::kill(::getpid(), SIGHUP);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (runs == 0 && std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(handledByDefault(SIGTERM));
        EXPECT_TRUE(handledByDefault(SIGINT));
    }
    EXPECT_TRUE(handledByDefault(SIGHUP)) << "the earlier handling is back";

    // Nothing answers the event loop here, as in a program that hangs: the
    // first signal waits there, the second ends the process.
    const test::ChildEnd second = test::runInChild([] {
        TerminationSignals handling([] {});
        ::kill(::getpid(), SIGINT);
        ::kill(::getpid(), SIGTERM);
        return 0;
    });
    EXPECT_EQ(second.signal, SIGTERM);

    // Hangups without end fill the pipe to the event loop: the handler goes
    // on without waiting and leaves errno as the interrupted code had it.
    const test::ChildEnd flood = test::runInChild([] {
        TerminationSignals handling([] {});
        for (int i = 0; i < 10000; ++i)
            ::kill(::getpid(), SIGHUP);
        errno = E2BIG;
        ::kill(::getpid(), SIGHUP);
        return errno == E2BIG ? 0 : 1;
    });
    EXPECT_FALSE(flood.hung) << "the handler waits on a full pipe";
    EXPECT_EQ(flood.exitCode, 0) << "errno changed by the handler";
}
