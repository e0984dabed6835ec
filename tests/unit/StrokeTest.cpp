// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "paint/StrokeFrame.h"
#include "state/Colour.h"
#include "support/StrokeDriver.h"

using namespace pemma;
using pemma::test::Rig;

namespace {
int countNonWhite(const Canvas& c)
{
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            n += c.pixel(x, y) != kWhite;
    return n;
}
} // namespace

TEST(StrokeFrame, PlainLineJoinsMovesAndTheFirstMoveOnlyRecords)
{
    Rig rig(200, 200);
    StrokeFrame frame(rig.context());
    rig.sliders.setPosition(1, 255);
    frame.Form_MouseDown(20, 50);
    EXPECT_EQ(rig.canvas.foreColor(), joinColour(255, 0, 0));
    frame.Form_MouseMove(20, 50, true);
    EXPECT_EQ(countNonWhite(rig.canvas), 0) << "first move paints nothing";
    EXPECT_EQ(rig.state.prevX, 20);
    frame.Form_MouseMove(120, 50, true);
    EXPECT_EQ(rig.canvas.pixel(70, 50), joinColour(255, 0, 0));
    EXPECT_EQ(rig.canvas.drawWidth(), 8) << "0.8 x 10";
    frame.Form_MouseUp(120, 50);
    EXPECT_FALSE(rig.state.isDrawing);
    EXPECT_EQ(rig.state.prevX, 0);
    EXPECT_EQ(rig.state.prevY, 0);
    EXPECT_EQ(rig.marks.refreshes, 2);

    // Moves without a button refresh the marks but paint nothing.
    const int before = countNonWhite(rig.canvas);
    frame.Form_MouseMove(150, 150, false);
    frame.Form_MouseMove(160, 160, false);
    EXPECT_EQ(countNonWhite(rig.canvas), before);
    EXPECT_EQ(rig.state.prevX, 0);
    EXPECT_EQ(rig.marks.refreshes, 4);
}

TEST(StrokeFrame, PlainLineWidthPerThickness)
{
    const std::pair<int, int> cases[] = {{1, 1}, {3, 2}, {5, 4}, {6, 5}, {10, 8}, {100, 80}};
    for (auto [size, width] : cases) {
        Rig rig(200, 200);
        StrokeFrame frame(rig.context());
        rig.state.brushSize = size;
        frame.Form_MouseDown(10, 10);
        frame.Form_MouseMove(10, 10, true);
        EXPECT_EQ(rig.canvas.drawWidth(), width) << "thickness " << size;
    }
}

TEST(StrokeFrame, PreviousXOfZeroMeansNoPreviousPoint)
{
    Rig rig(200, 200);
    StrokeFrame frame(rig.context());
    frame.Form_MouseDown(0, 100);
    frame.Form_MouseMove(0, 100, true);
    frame.Form_MouseMove(100, 100, true);
    EXPECT_EQ(countNonWhite(rig.canvas), 0);
}

TEST(StrokeFrame, DrawingMoveRecordsBackgroundAndMovesSlidersToRoundedComponents)
{
    Rig rig(100, 100);
    StrokeFrame frame(rig.context());
    rig.canvas.setBackColor(kBlack);
    EXPECT_EQ(rig.state.backgroundColour, kWhite) << "a command alone does not record it";
    frame.Form_MouseDown(10, 10);
    rig.state.red = 37.6;
    rig.state.green = 38.5;
    frame.Form_MouseMove(10, 10, true);
    EXPECT_EQ(rig.state.backgroundColour, kBlack);
    EXPECT_EQ(rig.sliders.position(1), 38);
    EXPECT_EQ(rig.state.red, 38) << "the slider changed, so the component became whole";
    EXPECT_EQ(rig.sliders.position(2), 38);

    // Slider already at the rounded value: the component keeps its fraction.
    rig.state.red = 37.6;
    frame.Form_MouseMove(11, 10, true);
    EXPECT_DOUBLE_EQ(rig.state.red, 37.6);
}

TEST(StrokeFrame, StrokeLeftRunningEndsWhenAnotherBrushMovesWithoutButton)
{
    // A fading brush 1 stroke whose pen never lifted leaves isDrawing set;
    // with another brush chosen, a move without a button must not paint.
    Rig rig(200, 200);
    StrokeFrame frame(rig.context());
    rig.state.isDrawing = true;
    rig.state.buttonReleased = 1;
    rig.state.prevX = 50;
    rig.state.prevY = 50;
    rig.state.brushIndex = 0;
    rig.state.penWidth = 8;
    frame.Form_MouseMove(150, 150, false);
    EXPECT_FALSE(rig.state.isDrawing);
    EXPECT_EQ(rig.state.prevX, 0);
    frame.Form_MouseMove(100, 150, false);
    EXPECT_EQ(countNonWhite(rig.canvas), 0);
}

TEST(ColourModes, PressStepsAndRandomDrawOrder)
{
    Rig rig(50, 50);
    StrokeFrame frame(rig.context());
    rig.sliders.setPosition(2, 200);
    rig.state.colourMode = 1;
    frame.Form_MouseDown(5, 5);
    EXPECT_EQ(rig.state.green, 200);

    rig.state.colourMode = 2;
    rig.random.push(0.0);
    rig.random.push(0.5);
    rig.random.push(0.999);
    frame.Form_MouseDown(5, 5);
    EXPECT_EQ(rig.state.red, 0);
    EXPECT_EQ(rig.state.green, 128);
    EXPECT_EQ(rig.state.blue, 255);
    EXPECT_EQ(rig.random.remaining(), 0u);
    frame.Form_MouseMove(6, 6, false); // mode 2 draws nothing on a move

    // Mode 3: the first segment takes the colour drawn by the move.
    rig.state.colourMode = 3;
    rig.random.push(0.1);
    rig.random.push(0.2);
    rig.random.push(0.3);
    frame.Form_MouseDown(5, 5);
    rig.random.push(0.9);
    rig.random.push(0.0);
    rig.random.push(0.0);
    frame.Form_MouseMove(5, 5, true);
    EXPECT_EQ(rig.canvas.foreColor(), joinColour(230, 0, 0));
    EXPECT_EQ(rig.random.draws, 9);
}

TEST(ColourModes, CyclingWalkBouncesOffTheEnds)
{
    Rig rig(50, 50);
    StrokeFrame frame(rig.context());
    rig.state.colourMode = 4;
    rig.state.colourDirection = {1, -1, 1};
    rig.state.red = 254.5;
    rig.state.green = 0.6;
    rig.state.blue = 100;
    // red: +1 * 1 * (4 - 8u) with u = 0.125 -> +3; green: -1 * 2 * (4 - 8 * 0.4875) = -0.2
    // blue: +1 * 3 * (4 - 8 * 0.5) = 0
    rig.random.push(0.125);
    rig.random.push(0.4875);
    rig.random.push(0.5);
    frame.Form_MouseMove(10, 10, false);
    EXPECT_EQ(rig.state.red, 255);
    EXPECT_EQ(rig.state.colourDirection[0], -1);
    EXPECT_EQ(rig.state.green, 0);
    EXPECT_EQ(rig.state.colourDirection[1], 1);
    EXPECT_EQ(rig.state.blue, 100);

    // Mode 7 drifts: blue moves three times as far as red.
    rig.state.colourMode = 7;
    rig.state.colourDirection = {1, 1, 1};
    rig.state.red = rig.state.green = rig.state.blue = 100;
    rig.random.pushMany(0.25, 3);
    frame.Form_MouseMove(10, 10, false);
    EXPECT_EQ(rig.state.red, 105);
    EXPECT_EQ(rig.state.green, 110);
    EXPECT_EQ(rig.state.blue, 115);
}

TEST(ColourModes, InkWashGreyFromPointerSpeed)
{
    Rig rig(300, 300);
    StrokeFrame frame(rig.context());
    rig.state.colourMode = 8;
    rig.state.prevX = 100;
    rig.state.prevY = 100;
    frame.Form_MouseMove(110, 100, false);
    EXPECT_EQ(rig.state.red, 1);
    frame.Form_MouseMove(109.4, 100, false);
    EXPECT_EQ(rig.state.red, 0);
    frame.Form_MouseMove(237, 100, false);
    EXPECT_EQ(rig.state.green, 255);

    // The swatch shows the grey of red in the ink-wash modes.
    rig.state.red = 77.4;
    rig.sliders.setPosition(3, 9);
    EXPECT_EQ(rig.sliders.swatch(), joinColour(77, 77, 77));
}

TEST(ColourModes, ColourPickMovesTheSliders)
{
    Rig rig(100, 100);
    StrokeFrame frame(rig.context());
    rig.state.colourMode = 11;
    rig.canvas.pset(40, 40, joinColour(64, 255, 128));
    frame.Form_MouseMove(40.4, 39.6, false);
    EXPECT_EQ(rig.sliders.position(1), 64);
    EXPECT_EQ(rig.sliders.position(2), 255);
    EXPECT_EQ(rig.sliders.position(3), 128);
    EXPECT_EQ(rig.state.blue, 128);
    EXPECT_EQ(rig.state.pixelColour, joinColour(64, 255, 128));

    frame.Form_MouseMove(-5, 40, true); // outside the drawing
    EXPECT_EQ(rig.state.red, 255);
    EXPECT_EQ(rig.state.green, 255);
    EXPECT_EQ(rig.state.blue, 1);
}

TEST(ColourSliders, ChangeHandlingRunsOnlyOnRealChangesAndSeesTheOldComponent)
{
    DrawingState s;
    s.colourMode = 1;
    ColourSliders sliders(s);
    int swatchCalls = 0;
    sliders.onSwatch = [&](Colour) { ++swatchCalls; };
    sliders.setPosition(2, 200);
    EXPECT_EQ(s.green, 200);
    EXPECT_EQ(sliders.swatch(), joinColour(0, 200, 0));
    EXPECT_EQ(swatchCalls, 1);
    s.green = 199.7;
    sliders.setPosition(2, 200);
    EXPECT_EQ(swatchCalls, 1);
    EXPECT_DOUBLE_EQ(s.green, 199.7);

    // Color_Change runs before the component is set: in an ink-wash mode the
    // swatch shows the grey of the old red.
    s.colourMode = 9;
    s.red = 10;
    sliders.setPosition(1, 90);
    EXPECT_EQ(sliders.swatch(), joinColour(10, 10, 10));
    EXPECT_EQ(s.red, 90);
}
