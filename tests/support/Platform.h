// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests must know of the platform under them. They run under
// the offscreen platform and again under Wayland (Weston's headless backend),
// where only the compositor activates and sizes windows.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

namespace pemma::test {

inline bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// Shortcuts act only in the active window, and the clipboard needs the
// keyboard's seat. Under Wayland only the compositor activates a window, when
// it gives it the keyboard: Weston's headless backend has no keyboard to give.
inline constexpr const char* kNoActivation = "Wayland: the compositor has activated no window (no keyboard)";

// Asks for the window to be activated; false where the platform will not
// (then the test skips with kNoActivation).
inline bool becameActive(QWidget& window)
{
    window.activateWindow();
    return !onWayland() || QTest::qWaitFor([&] { return window.isActiveWindow(); }, 2000);
}

// Under Wayland the compositor sizes the window after it is first shown (a
// maximized window takes the free area, learnt once it is on the screen), and
// each new size repaints it whole: waits until it is shown and its size has
// stood for a while.
inline void waitUntilSettled(QWidget& window)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (!onWayland())
        return;
    QSize size = window.size();
    QElapsedTimer still;
    still.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (window.size() != size) {
                size = window.size();
                still.restart();
            }
            return still.elapsed() > 300;
        },
        10000));
}

} // namespace pemma::test
