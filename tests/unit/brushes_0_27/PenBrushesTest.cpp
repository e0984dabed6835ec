// SPDX-License-Identifier: GPL-3.0-or-later
// Brushes 1 to 3 (speed-dependent width, brush 1's fade-out) and brush 8.
#include "BrushFixture.h"

namespace pemma::test {
namespace {

class PenWidth : public BrushTest {};

TEST_F(PenWidth, FirstMoveThinsThePressWidthForEachPen)
{
    for (int brush : {1, 2, 3}) {
        use(brush, 10);
        down(100, 100);
        EXPECT_DOUBLE_EQ(s().penWidth, 8);
        move(100, 100);
        EXPECT_DOUBLE_EQ(s().penWidth, 5.6) << "brush " << brush;
        EXPECT_DOUBLE_EQ(s().prevPenWidth, 5.6) << "brush " << brush;
        EXPECT_EQ(canvas().drawWidth(), 6) << "brush " << brush;
        EXPECT_EQ(s().strokeStarted, 1);
        up();
        move(0, 0, false); // let brush 1 finish its fade
    }
}

TEST_F(PenWidth, SlowMovesSettleAtTheThicknessCap)
{
    // thickness -> pen width at the cap 1.5 x thickness
    const std::pair<int, int> cases[] = {{1, 2}, {3, 4}, {5, 8}, {10, 15}};
    for (auto [thickness, expected] : cases) {
        use(1, thickness);
        startAt(100, 100);
        for (int i = 1; i <= 8; ++i)
            move(100 + i, 100); // one pixel per move: 201 before the cap
        EXPECT_DOUBLE_EQ(s().penWidth, 1.5 * thickness) << "thickness " << thickness;
        EXPECT_EQ(canvas().drawWidth(), expected) << "thickness " << thickness;
        up();
        s().isDrawing = false;
    }
}

TEST_F(PenWidth, DistanceGivesWidthBeforeCapAndLimits)
{
    use(3, 100); // limits +80 / -40, cap 150
    startAt(100, 100);
    s().prevPenWidth = 30;
    move(351, 100); // 251 px
    EXPECT_DOUBLE_EQ(s().penWidth, 1);
    s().prevPenWidth = 30;
    move(351, 300); // exactly 200 px
    EXPECT_DOUBLE_EQ(s().penWidth, 2);
    s().prevPenWidth = 130;
    move(351, 301); // 1 px gives 201, capped
    EXPECT_DOUBLE_EQ(s().penWidth, 150);
    // No movement keeps the width, which still meets the limits.
    s().prevPenWidth = 40;
    move(351, 301);
    EXPECT_DOUBLE_EQ(s().penWidth, 120);
}

TEST_F(PenWidth, GrowthAndShrinkLimitsPerBrush)
{
    struct Case {
        int brush;
        double fast, slow;
    };
    // From a previous width of 10 at thickness 100.
    for (Case c : {Case{1, 8, 14}, Case{2, 2, 26}, Case{3, 1, 90}}) {
        use(c.brush, 100);
        startAt(100, 100);
        s().prevPenWidth = 10;
        move(400, 100);
        EXPECT_DOUBLE_EQ(s().penWidth, c.fast) << "brush " << c.brush;
        s().prevPenWidth = 10;
        move(401, 100);
        EXPECT_DOUBLE_EQ(s().penWidth, c.slow) << "brush " << c.brush;
        EXPECT_EQ(s().penWidthStep, c.brush == 1 ? 0 : (c.brush == 2 ? 4 : 20)) << "brush 1 leaves it";
        s().isDrawing = false;
        s().prevX = 0;
    }
}

TEST_F(PenWidth, NoPreviousPointDrawsNothingButTheRuleStillRuns)
{
    for (int brush : {1, 2, 3, 8}) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = brush;
        f.Form_MouseDown(0, 300);
        f.Form_MouseMove(0, 300, true); // previous x becomes 0
        const double before = fresh.state.penWidth;
        f.Form_MouseMove(200, 300, true);
        EXPECT_EQ(fresh.canvas.pixel(100, 300), kWhite) << "brush " << brush;
        if (brush != 8) {
            EXPECT_NE(fresh.state.penWidth, before) << "brush " << brush;
        }
        // From here on there is a previous point.
        f.Form_MouseMove(300, 300, true);
        EXPECT_NE(fresh.canvas.pixel(250, 300), kWhite) << "brush " << brush;
    }
}

TEST_F(PenWidth, Brush3PaintsWithThePreviousMovesWidth)
{
    // Two fast moves down column 500 leave the width small; then a slow move
    // along row 700 computes a wider width but brush 3 still draws it 1 wide,
    // and only the move after it shows the new width. Brush 2 draws the slow
    // move wide at once.
    for (int brush : {3, 2}) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = brush;
        fresh.state.brushSize = 100;
        f.Form_MouseDown(500, 100);
        f.Form_MouseMove(500, 100, true);
        f.Form_MouseMove(500, 400, true);
        f.Form_MouseMove(500, 700, true);
        f.Form_MouseMove(540, 700, true); // 40 px
        EXPECT_NE(fresh.canvas.pixel(530, 700), kWhite) << "brush " << brush;
        if (brush == 3) {
            EXPECT_DOUBLE_EQ(fresh.state.penWidth, 6);
            EXPECT_EQ(fresh.canvas.pixel(530, 698), kWhite) << "slow line drawn thin";
            EXPECT_EQ(fresh.canvas.drawWidth(), 6);
            f.Form_MouseMove(580, 700, true);
            EXPECT_NE(fresh.canvas.pixel(560, 698), kWhite) << "next line drawn wider";
        } else {
            EXPECT_DOUBLE_EQ(fresh.state.penWidth, 32);
            EXPECT_NE(fresh.canvas.pixel(530, 690), kWhite) << "brush 2 draws wide at once";
        }
    }
}

// Brush 1 after the release.
class FadeOut : public BrushTest {
protected:
    // A stroke at thickness 100 whose last pen width was 20, released at
    // monotonic time 0.
    void fadingStroke()
    {
        use(1, 100);
        startAt(100, 100);
        move(400, 100);
        s().prevPenWidth = 20;
        up();
        ASSERT_TRUE(s().isDrawing);
    }
};

TEST_F(FadeOut, FastMovesThinOutThenLift)
{
    fadingStroke();
    const double xs[] = {100, 400, 100, 400};
    const int widths[] = {15, 11, 7, 4};
    for (int i = 0; i < 4; ++i) {
        clearDirty();
        move(xs[i], 100 + 10 * i, false);
        EXPECT_DOUBLE_EQ(s().penWidth, widths[i]);
        EXPECT_EQ(canvas().drawWidth(), widths[i]);
        EXPECT_FALSE(dirty().isEmpty()) << "move " << i << " paints";
        EXPECT_TRUE(s().isDrawing);
    }
    clearDirty();
    move(100, 200, false); // 1 < 4: lifts
    EXPECT_FALSE(s().isDrawing);
    EXPECT_EQ(s().prevX, 0);
    EXPECT_EQ(s().prevY, 0);
    EXPECT_TRUE(dirty().isEmpty()) << "the lifting move paints nothing";
    EXPECT_EQ(canvas().drawWidth(), 4) << "the pen-width step does not run";
    EXPECT_DOUBLE_EQ(s().prevPenWidth, 4);
    // Later moves paint nothing.
    move(300, 300, false);
    EXPECT_TRUE(dirty().isEmpty());
}

TEST_F(FadeOut, SlowMovesSettleWhereTheRuleHasAFixedPoint)
{
    // floor(0.85 x (W + 4)) stays put anywhere from 17 to 22.
    const std::pair<double, double> cases[] = {{10, 17}, {20, 20}, {30, 22}};
    for (auto [start, settled] : cases) {
        fadingStroke();
        s().prevPenWidth = start;
        for (int i = 1; i <= 30; ++i)
            move(400 + (i % 2), 100, false);
        EXPECT_DOUBLE_EQ(s().penWidth, settled) << "from " << start;
        EXPECT_TRUE(s().isDrawing) << "from " << start;
        // Only the elapsed time ends it.
        rig.clock.mono = 0.11;
        move(400, 100, false);
        EXPECT_FALSE(s().isDrawing);
        rig.clock.mono = 0;
    }
}

TEST_F(FadeOut, ElapsedTimeIsMeasuredAcrossMidnight)
{
    use(1, 100);
    startAt(100, 100);
    move(101, 100);
    rig.clock.dayTime = 86399.95;
    rig.clock.mono = 5000.0;
    up();
    EXPECT_DOUBLE_EQ(s().releaseTime, 86399.95);

    rig.clock.dayTime = 86399.99;
    rig.clock.mono = 5000.04;
    move(100, 100, false);
    EXPECT_TRUE(s().isDrawing);
    rig.clock.dayTime = 0.03; // past midnight
    rig.clock.mono = 5000.08;
    move(101, 100, false);
    EXPECT_TRUE(s().isDrawing);
    rig.clock.dayTime = 0.2;
    rig.clock.mono = 5000.2;
    clearDirty();
    move(100, 100, false);
    EXPECT_FALSE(s().isDrawing) << "the fade ends after midnight too";
    EXPECT_TRUE(dirty().isEmpty());
}

TEST_F(FadeOut, TimeOfDayJumpsDoNotEndTheFade)
{
    use(1, 100);
    startAt(100, 100);
    move(101, 100);
    rig.clock.dayTime = 1000;
    rig.clock.mono = 10;
    up();
    rig.clock.dayTime = 4600; // the wall clock was put forward an hour
    rig.clock.mono = 10.05;
    move(100, 100, false);
    EXPECT_TRUE(s().isDrawing);
}

TEST_F(FadeOut, PressWhileFadingJoinsTheOldStrokesLastPoint)
{
    use(1, 10);
    startAt(100, 100);
    move(110, 100);
    up();
    down(300, 300);
    EXPECT_NE(canvas().pixel(300, 300), kWhite) << "brush 1 sets a point at the press";
    EXPECT_EQ(canvas().pixel(205, 200), kWhite);
    move(300, 300);
    EXPECT_NE(canvas().pixel(205, 200), kWhite) << "line back to the old stroke";
}

TEST_F(FadeOut, StrokeLeftFadingEndsWhenAnotherBrushMovesWithoutButton)
{
    use(1, 10);
    startAt(100, 100);
    move(110, 100);
    up();
    ASSERT_TRUE(s().isDrawing);
    // The pointer left the canvas; another brush is chosen; back over the
    // canvas with no button held.
    use(12, 10);
    clearDirty();
    move(500, 500, false);
    EXPECT_FALSE(s().isDrawing);
    EXPECT_EQ(s().prevX, 0);
    EXPECT_EQ(s().prevY, 0);
    move(600, 600, false);
    move(700, 650, false);
    EXPECT_TRUE(dirty().isEmpty());
    EXPECT_EQ(canvas().pixel(600, 550), kWhite);
    // A real stroke with that brush paints again.
    startAt(500, 500);
    move(600, 600);
    EXPECT_NE(canvas().pixel(600, 550), kWhite);
}

class Rainbow : public BrushTest {};

TEST_F(Rainbow, SevenLinesOnePenWidthApartRedOnTop)
{
    use(8, 10);
    startAt(100, 300);
    EXPECT_EQ(paintedCount(), 0) << "first move draws nothing";
    move(300, 300);
    EXPECT_DOUBLE_EQ(s().rainbowStep, 8);
    for (int i = -3; i <= 3; ++i)
        EXPECT_EQ(canvas().pixel(200, 300 + 8 * i), s().rainbowColours[i + 3]) << "line " << i;
    EXPECT_EQ(canvas().pixel(200, 300 - 24), 0x0000FF) << "red";
    EXPECT_EQ(canvas().pixel(200, 300 - 30), kWhite);
    EXPECT_EQ(canvas().pixel(200, 300 + 30), kWhite);
}

TEST_F(Rainbow, FractionalSpacingPutsThinLinesOnRoundedRows)
{
    // Thickness 1: the lines lie 0.8 apart, at 297.6 ... 302.4; each lands on
    // its row rounded half to even, and a later line covers an earlier one.
    use(8, 1);
    startAt(100, 300);
    move(300, 300);
    const auto& rc = s().rainbowColours;
    EXPECT_EQ(canvas().pixel(200, 297), kWhite);
    EXPECT_EQ(canvas().pixel(200, 298), rc[1]);
    EXPECT_EQ(canvas().pixel(200, 299), rc[2]);
    EXPECT_EQ(canvas().pixel(200, 300), rc[3]);
    EXPECT_EQ(canvas().pixel(200, 301), rc[4]);
    EXPECT_EQ(canvas().pixel(200, 302), rc[6]);
    EXPECT_EQ(canvas().pixel(200, 303), kWhite);
}

} // namespace
} // namespace pemma::test
