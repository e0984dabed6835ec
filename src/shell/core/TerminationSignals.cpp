// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/core/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace pemma {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe from the handler to the event loop. Both ends never block: a
// handler that waited on a full pipe would stop the thread it interrupted.
int signalPipe[2] = {-1, -1};
struct sigaction earlier[std::size(kSignals)];

void onTerminationSignal(int sig)
{
    const int savedErrno = errno; // the interrupted code may be about to read it
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(SIGTERM, &byDefault, nullptr);
    ::sigaction(SIGINT, &byDefault, nullptr);
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent) : QObject(parent)
{
    if (signalPipe[0] >= 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    installed_ = true;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    notifier_ = notifier;
    connect(notifier, &QSocketNotifier::activated, this, [notifier, onSignal = std::move(onSignal)] {
        notifier->setEnabled(false);
        char bytes[64];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        onSignal();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals)
        sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &sa, &earlier[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!installed_)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &earlier[i], nullptr);
    delete notifier_; // before the end it watches is closed
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace pemma
