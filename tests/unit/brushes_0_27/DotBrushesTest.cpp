// SPDX-License-Identifier: GPL-3.0-or-later
// Brushes 4, 19, 20 (orbit and waves), 5 to 7 (sprays), 9 to 11 (rings).
#include "BrushFixture.h"

namespace pemma::test {
namespace {

class WaveDots : public BrushTest {};

TEST_F(WaveDots, FirstOrbitDotAfterStartUp)
{
    use(4, 10);
    down(500, 300);
    clearDirty();
    move(500, 300); // the first move paints too
    EXPECT_DOUBLE_EQ(s().wavePhase, 0.4);
    // 24 sin 0.4 = 9.35, 24 cos 0.4 = 22.11: the 8-wide dot centred on (509, 322).
    EXPECT_EQ(dirty(), QRect(QPoint(505, 318), QPoint(513, 326)));
    EXPECT_NE(canvas().pixel(509, 322), kWhite);
    EXPECT_EQ(canvas().pixel(500, 300), kWhite);
}

TEST_F(WaveDots, PhaseRunsOnAcrossStrokesAndBrushes)
{
    use(4, 10);
    startAt(500, 300); // phase 0.4
    up();
    use(0, 10); // other brushes leave the phase alone
    startAt(100, 100);
    move(150, 100);
    up();

    use(19, 10);
    down(500, 300);
    clearDirty();
    move(500, 300); // phase 0.8: 24 sin 0.8 = 17.22
    EXPECT_DOUBLE_EQ(s().wavePhase, 0.4 + 0.4);
    EXPECT_EQ(dirty().center(), QPoint(500, 317));
    up();

    use(20, 10);
    down(500, 300);
    clearDirty();
    move(500, 300); // phase 1.2: 24 sin 1.2 = 22.37
    EXPECT_EQ(dirty().center(), QPoint(522, 300));

    // A further move of the same stroke goes on turning: 24 sin 1.6 = 23.99.
    clearDirty();
    move(500, 300);
    EXPECT_EQ(dirty().center(), QPoint(524, 300));
}

class Spray : public BrushTest {};

TEST_F(Spray, DotCountsAndSquaresPerBrush)
{
    struct Case {
        int brush, draws;
        double r1, r2;
        QPoint corner; // where the first dot lands at thickness 10
    };
    // Squares of side 160, 320, 480 around (500, 300).
    const Case cases[] = {
        {5, 40, 0.0, 0.999, QPoint(420, 380)},
        {6, 80, 0.999, 0.0, QPoint(660, 140)},
        {7, 120, 0.0, 0.0, QPoint(260, 60)},
    };
    for (const Case& c : cases) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = c.brush;
        fresh.random.push(c.r1);
        fresh.random.push(c.r2);
        fresh.random.pushMany(0.5, c.draws - 2);
        f.Form_MouseDown(500, 300);
        f.Form_MouseMove(500, 300, true); // a ScriptedRandom throws on any extra draw
        EXPECT_EQ(fresh.random.draws, c.draws) << "brush " << c.brush;
        EXPECT_NE(fresh.canvas.pixel(c.corner.x(), c.corner.y()), kWhite) << "brush " << c.brush;
        // The mirrored corner stays clean: x from the first number, y from the second.
        EXPECT_EQ(fresh.canvas.pixel(1000 - c.corner.x(), 600 - c.corner.y()), kWhite);
        EXPECT_NE(fresh.canvas.pixel(500, 300), kWhite);
    }
}

TEST_F(Spray, ThinnestSquareIsSixteenPixels)
{
    use(5, 1);
    rig.random.push(0.0);
    rig.random.push(0.0);
    rig.random.pushMany(0.5, 38);
    down(500, 300);
    move(500, 300);
    EXPECT_NE(canvas().pixel(492, 292), kWhite);
    EXPECT_EQ(paintedCount(), 2) << "one-pixel dots: the corner and the centre";
}

class Rings : public BrushTest {
protected:
    // Distance from the centre to the middle of the ring's band, measured to
    // the right along the centre row.
    double measuredRadius(int brush, int thickness)
    {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = brush;
        fresh.state.brushSize = thickness;
        f.Form_MouseDown(400, 384);
        f.Form_MouseMove(400, 384, true);
        int first = -1, last = -1;
        for (int x = 401; x < fresh.canvas.width(); ++x) {
            if (fresh.canvas.pixel(x, 384) != kWhite) {
                if (first < 0)
                    first = x;
                last = x;
            } else if (first >= 0) {
                break;
            }
        }
        return first < 0 ? -1 : (first + last) / 2.0 - 400;
    }
};

TEST_F(Rings, RadiiByBrushAndThickness)
{
    EXPECT_NEAR(measuredRadius(9, 10), 57, 0.5);
    EXPECT_NEAR(measuredRadius(10, 10), 170, 0.5);
    EXPECT_NEAR(measuredRadius(11, 10), 510, 0.5);
    EXPECT_NEAR(measuredRadius(9, 1), 18, 0.5);
    EXPECT_NEAR(measuredRadius(11, 1), 161, 0.5);
}

} // namespace
} // namespace pemma::test
