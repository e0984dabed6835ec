// SPDX-License-Identifier: GPL-3.0-or-later
// Every stroke event reports an area that covers every pixel it changed, so
// the window never shows something other than the drawing. One brush per
// case, at every thickness, with both fill styles and every colour mode, over
// moves that repeat points, stay put, run along one row or column, land on
// rounding halves and reach and pass the drawing's edges.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "paint/BrushTable.h"
#include "paint/ChoiceTables.h"
#include "state/Colour.h"
#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

constexpr int kW = 96, kH = 72;

class RepaintArea : public ::testing::TestWithParam<int> {
protected:
    RepaintArea() : rig(kW, kH, {}, &random)
    {
        // The screen is the drawing: bands, fans and frames meet its edges.
        rig.state.screenWidthTwips = kW * 15;
        rig.state.screenHeightTwips = kH * 15;
        // A picture with every kind of pixel under it (black at the top-left
        // corner) gives the sampling and watercolour brushes something to do.
        QImage picture(kW, kH, QImage::Format_RGB32);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                picture.setPixel(x, y, qRgb(x * 255 / kW, y * 255 / kH, (x * y) % 256));
        rig.canvas.setPicture(picture);
        rig.canvas.setFillColor(joinColour(0, 160, 90));
    }

    // Where the next move goes, from the last point.
    QPointF nextPoint(QPointF last)
    {
        auto coordinate = [&](int size) -> double {
            switch (pick(4)) {
            case 0: return pick(3) - 1 + (pick(2) ? 0 : size); // on and beyond the edges
            case 1: return std::uniform_real_distribution<double>(-0.3 * size, 1.3 * size)(gen);
            case 2: return pick(size + 1) + 0.5; // rounding halves
            default: return std::uniform_real_distribution<double>(0, size)(gen);
            }
        };
        switch (pick(6)) {
        case 0: return last; // no movement
        case 1: return QPointF(coordinate(kW), last.y()); // along the row
        case 2: return QPointF(last.x(), coordinate(kH)); // along the column
        case 3: return last + QPointF(0.3, -0.2); // lands on the same pixel
        default: return QPointF(coordinate(kW), coordinate(kH));
        }
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }

    // Runs the event and checks that what it changed lies in what it reported.
    template <typename Event>
    void check(const char* what, QPointF p, Event event)
    {
        rig.session.takeRepaintArea();
        const QImage before = rig.canvas.image().copy();
        event();
        const QRect area = rig.session.takeRepaintArea();
        const QImage& after = rig.canvas.image();
        for (int y = 0; y < kH; ++y) {
            const QRgb* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
            const QRgb* b = reinterpret_cast<const QRgb*>(after.constScanLine(y));
            for (int x = 0; x < kW; ++x) {
                if (a[x] != b[x] && !area.contains(x, y)) {
                    std::ostringstream where;
                    where << what << " to (" << p.x() << ", " << p.y() << "), thickness "
                          << rig.state.brushSize << ", fill style " << rig.canvas.fillStyle()
                          << ", colour mode " << rig.state.colourMode << ": pixel " << x << "," << y
                          << " changed outside the area " << area.x() << "," << area.y() << " "
                          << area.width() << "x" << area.height();
                    ADD_FAILURE() << where.str();
                    ++failures;
                    return;
                }
            }
        }
    }

    ProgramRandom random;
    test::Rig rig;
    std::mt19937 gen{20261207};
    int failures = 0;
};

TEST_P(RepaintArea, CoversEveryPixelAMoveChanges)
{
    DrawingState& s = rig.state;
    s.brushIndex = GetParam();
    int stroke = 0;
    for (int thickness : kThicknessItems) {
        for (int fillStyle : {Canvas::Transparent, Canvas::Solid}) {
            s.brushSize = thickness;
            s.colourMode = 1 + stroke++ % 11;
            rig.canvas.setFillStyle(fillStyle);
            rig.sliders.setPosition(1, (stroke * 37) % 256);
            QPointF p(std::uniform_real_distribution<double>(-5, kW + 5)(gen),
                      std::uniform_real_distribution<double>(-5, kH + 5)(gen));
            check("press", p, [&] { rig.session.press(p); });
            for (int i = 0; i < 10 && failures < 3; ++i) {
                p = nextPoint(p);
                check("move", p, [&] { rig.session.move(p, true); });
            }
            check("release", p, [&] { rig.session.release(p); });
            // Brush 1 goes on fading after the release.
            p = nextPoint(p);
            check("move after the release", p, [&] { rig.session.move(p, false); });
            if (failures >= 3)
                return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBrush, RepaintArea, ::testing::Range(0, kBrushCount));

} // namespace
