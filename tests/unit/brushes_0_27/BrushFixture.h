// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Brush tests: the shared stroke driver and what they read back.
#include <QRect>
#include <gtest/gtest.h>

#include "support/StrokeDriver.h"

namespace pemma::test {

class BrushTest : public ::testing::Test {
protected:
    void use(int brush, int thickness) { drive.use(brush, thickness); }
    void down(double x, double y) { drive.press(x, y); }
    void move(double x, double y, bool held = true) { drive.move(x, y, held); }
    void up() { drive.release(0, 0); }
    void startAt(double x, double y) { drive.startAt(x, y); }

    DrawingState& s() { return rig.state; }
    Canvas& canvas() { return rig.canvas; }
    bool painted(int x, int y) const { return rig.canvas.pixel(x, y) != kWhite; }
    // Forgets what has been painted so far as far as repainting goes.
    void clearDirty() { rig.canvas.takeDirty(); }
    QRect dirty() const { return rig.canvas.dirty(); }

    // The first and last painted pixel on row y between x0 and x1 (inclusive),
    // or {-1, -1}.
    std::pair<int, int> paintedSpanInRow(int y, int x0, int x1) const
    {
        int first = -1, last = -1;
        for (int x = x0; x <= x1; ++x) {
            if (painted(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return {first, last};
    }
    std::pair<int, int> paintedSpanInColumn(int x, int y0, int y1) const
    {
        int first = -1, last = -1;
        for (int y = y0; y <= y1; ++y) {
            if (painted(x, y)) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
        return {first, last};
    }
    int paintedCount() const
    {
        int n = 0;
        for (int y = 0; y < rig.canvas.height(); ++y)
            for (int x = 0; x < rig.canvas.width(); ++x)
                n += painted(x, y) ? 1 : 0;
        return n;
    }

    Drive drive;
    Rig& rig = drive.rig;
};

} // namespace pemma::test
