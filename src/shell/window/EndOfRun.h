// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>

class QGuiApplication;

namespace pemma {

// The close handling (settings written, painting kept), run exactly once
// however the run ends: the close box and the window manager's close (the
// window's close event), the termination signals (they close the window),
// the application quitting, the session manager's logout, and the display
// connection breaking. In that last case Qt's platform plugins end the
// program with exit() at once, without a close event or a quit, so the
// handling is also registered with std::atexit: exit() still runs it on the
// main thread, with the window and its session still in memory.
class EndOfRun final : public QObject {
public:
    explicit EndOfRun(std::function<void()> handling) : handling_(std::move(handling)) {}
    // From now on exit() runs nothing.
    ~EndOfRun() override;

    // Runs the handling unless it has run.
    void run();
    bool done() const { return done_; }

    // Runs at the application's quitting and at exit(). A session manager's
    // request to save runs it too; when the session goes on after all (a
    // logout cancelled), the next press or key makes it due again.
    void watch(QGuiApplication& app);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void atExit();

    std::function<void()> handling_;
    bool done_ = false;
    bool rearmOnInput_ = false;
};

} // namespace pemma
