// SPDX-License-Identifier: GPL-3.0-or-later
// Brushes 12 to 18, 21 to 27: boxes, bands, fixed marks, stars and confetti.
#include "BrushFixture.h"
#include "paint/Brushes.h"

namespace pemma::test {
namespace {

class Marks : public BrushTest {};

TEST_F(Marks, NothingWithoutAPreviousPoint)
{
    for (int brush : {12, 13, 14, 15, 16, 17, 18, 21, 22}) {
        use(brush, 10);
        down(500, 300);
        clearDirty();
        move(500, 300); // first move of the stroke
        EXPECT_TRUE(dirty().isEmpty()) << "brush " << brush;
        up();
        down(0, 300);
        move(0, 300); // the pointer on the left edge
        move(400, 400); // previous x is 0
        EXPECT_TRUE(dirty().isEmpty()) << "brush " << brush;
        up();
    }
    EXPECT_EQ(paintedCount(), 0);
}

TEST_F(Marks, VerticalMarkIsScreenWidthOver200EachWay)
{
    // 1024 px x 15 twips / 200 = 76.8 each way: 153.6 px in all.
    use(15, 1);
    startAt(500, 100);
    move(500, 400);
    const auto [top, bottom] = paintedSpanInColumn(500, 0, 767);
    // 323.2 to 476.8; the line's last pixel may be left open.
    EXPECT_EQ(top, 323);
    EXPECT_GE(bottom, 476);
    EXPECT_LE(bottom, 477);
    EXPECT_EQ(canvas().pixel(499, 400), kWhite);
    EXPECT_EQ(canvas().pixel(500, 250), kWhite) << "the previous point is not joined";
}

TEST_F(Marks, OtherDirectionsAndCrosses)
{
    struct Case {
        int brush;
        bool right, down, upRight, downRight;
    };
    // What each mark covers 50 px from (500, 400): to the right, below, up-right, down-right.
    const Case cases[] = {
        {16, true, false, false, false},
        {17, false, false, true, false},
        {18, false, false, false, true},
        {21, true, true, false, false},
        {22, false, false, true, true},
    };
    for (const Case& c : cases) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = c.brush;
        fresh.state.brushSize = 1;
        f.Form_MouseDown(450, 300);
        f.Form_MouseMove(450, 300, true);
        f.Form_MouseMove(500, 400, true);
        // Painted at or next to (x, y): diagonals may land a pixel aside.
        auto at = [&](int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (fresh.canvas.pixel(x + dx, y + dy) != kWhite)
                        return true;
            return false;
        };
        EXPECT_EQ(at(550, 400), c.right) << "brush " << c.brush;
        EXPECT_EQ(at(500, 450), c.down) << "brush " << c.brush;
        EXPECT_EQ(at(550, 350), c.upRight) << "brush " << c.brush;
        EXPECT_EQ(at(550, 450), c.downRight) << "brush " << c.brush;
        // Every mark ends 76.8 px out.
        EXPECT_FALSE(at(580, 400) || at(500, 480) || at(580, 320) || at(580, 480));
    }
}

TEST_F(Marks, BoxAndBands)
{
    use(12, 1);
    startAt(300, 300);
    move(400, 350);
    EXPECT_NE(canvas().pixel(350, 300), kWhite);
    EXPECT_NE(canvas().pixel(400, 320), kWhite);
    EXPECT_EQ(canvas().pixel(350, 320), kWhite) << "transparent inside";
    up();

    // The vertical band runs from the top row far past the bottom: two full
    // columns and a top edge.
    Rig band;
    StrokeFrame f(band.context());
    band.state.brushIndex = 13;
    band.state.brushSize = 1;
    f.Form_MouseDown(600, 300);
    f.Form_MouseMove(600, 300, true);
    band.canvas.takeDirty();
    f.Form_MouseMove(700, 500, true);
    for (int y : {0, 300, 767}) {
        EXPECT_NE(band.canvas.pixel(600, y), kWhite);
        EXPECT_NE(band.canvas.pixel(700, y), kWhite);
    }
    EXPECT_NE(band.canvas.pixel(650, 0), kWhite);
    EXPECT_EQ(band.canvas.pixel(650, 767), kWhite);
    EXPECT_EQ(band.canvas.pixel(650, 400), kWhite);
    const QRect d = band.canvas.dirty();
    EXPECT_LE(d.left(), 600);
    EXPECT_GE(d.right(), 700);
    EXPECT_LT(d.width(), 120) << "only the band is repainted";

    // The horizontal band likewise with rows.
    Rig rows;
    StrokeFrame g(rows.context());
    rows.state.brushIndex = 14;
    rows.state.brushSize = 1;
    g.Form_MouseDown(300, 200);
    g.Form_MouseMove(300, 200, true);
    g.Form_MouseMove(500, 260, true);
    for (int x : {0, 500, 1023}) {
        EXPECT_NE(rows.canvas.pixel(x, 200), kWhite);
        EXPECT_NE(rows.canvas.pixel(x, 260), kWhite);
    }
    EXPECT_NE(rows.canvas.pixel(0, 230), kWhite);
    EXPECT_EQ(rows.canvas.pixel(1023, 230), kWhite);
}

class Stamps : public BrushTest {
protected:
    void script(std::initializer_list<double> values)
    {
        for (double v : values)
            rig.random.push(v);
    }
};

TEST_F(Stamps, ThinStarAtTheDrawnPlaceAndSize)
{
    // Thickness 10: W = 8, spread 20 x 24 = 480; r1 = 0.25, r2 = 0.75 put the
    // centre at (380, 420); r3 = 0.5 gives v = 10 and arms of 20.
    use(23, 10);
    down(500, 300);
    script({0.25, 0.75, 0.5});
    move(500, 300); // paints on the first move; a fourth draw would throw
    EXPECT_EQ(rig.random.draws, 3);
    EXPECT_NE(canvas().pixel(395, 435), kWhite);
    EXPECT_NE(canvas().pixel(365, 435), kWhite);
    EXPECT_NE(canvas().pixel(395, 405), kWhite);
    EXPECT_EQ(canvas().pixel(395, 434), kWhite) << "one pixel wide";
    EXPECT_EQ(canvas().pixel(402, 442), kWhite) << "arms end at 20";
    EXPECT_EQ(canvas().drawWidth(), 10) << "leaves the pen width at the thickness";
}

TEST_F(Stamps, ThinnestStarArmsStayWithinFourPixels)
{
    use(23, 1);
    down(500, 300);
    script({0.5, 0.5, 0.999});
    move(500, 300);
    // Arms 2v < 4: nothing on the rows and columns 5 away from the centre.
    EXPECT_NE(paintedCount(), 0);
    EXPECT_EQ(paintedSpanInRow(295, 480, 520).first, -1);
    EXPECT_EQ(paintedSpanInRow(305, 480, 520).first, -1);
    EXPECT_EQ(paintedSpanInColumn(495, 280, 320).first, -1);
    EXPECT_EQ(paintedSpanInColumn(505, 280, 320).first, -1);
}

TEST_F(Stamps, SquareStampsAndWhatPenWidthTheyLeave)
{
    struct Case {
        int brush, widthAfter;
        bool cross;
    };
    for (Case c : {Case{24, 8, false}, Case{25, 10, true}, Case{26, 10, true}}) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = c.brush;
        fresh.random.push(0.5);
        fresh.random.push(0.5);
        fresh.random.push(0.75); // v = 15: the square 30 wide round (500, 300)
        f.Form_MouseDown(500, 300);
        f.Form_MouseMove(500, 300, true);
        EXPECT_EQ(fresh.random.draws, 3);
        EXPECT_EQ(fresh.canvas.pixel(515, 300), kBlack) << "right edge, brush " << c.brush;
        EXPECT_EQ(fresh.canvas.pixel(485, 290), kBlack) << "left edge, brush " << c.brush;
        EXPECT_EQ(fresh.canvas.pixel(505, 305) == kBlack, c.cross) << "brush " << c.brush;
        EXPECT_EQ(fresh.canvas.drawWidth(), c.widthAfter) << "brush " << c.brush;
    }
}

TEST_F(Stamps, Star4MiddleWidthByThickness)
{
    for (int t : {1, 2, 3, 5})
        EXPECT_EQ(brushes::star4MiddleWidth(t), 2) << t;
    for (int t : {6, 8, 10, 12, 15})
        EXPECT_EQ(brushes::star4MiddleWidth(t), 3) << t;
    for (int t : {20, 25, 30})
        EXPECT_EQ(brushes::star4MiddleWidth(t), 4) << t;
    for (int t : {40, 50, 60, 70, 80})
        EXPECT_EQ(brushes::star4MiddleWidth(t), 5) << t;
    EXPECT_EQ(brushes::star4MiddleWidth(100), 6);
}

TEST_F(Stamps, Star4LongThinArmsBeyondTheShortWideOnes)
{
    // Thickness 20: W = 16, pen 16 for the square; v = 2 x 20 x 0.75 = 30;
    // the short cross reaches 36 at width 4, the long one 75 at width 1.
    use(26, 20);
    down(500, 300);
    script({0.5, 0.5, 0.75});
    move(500, 300);
    // Along the diagonal inside the square's inner edge: 4 wide.
    const auto [l1, r1] = paintedSpanInRow(312, 502, 520);
    EXPECT_GE(r1 - l1 + 1, 4);
    EXPECT_LE(r1 - l1 + 1, 7);
    // Beyond the square: only the thin arm.
    const auto [l2, r2] = paintedSpanInRow(360, 540, 580);
    EXPECT_NEAR(l2, 560, 1);
    EXPECT_LE(r2 - l2 + 1, 2);
    EXPECT_EQ(canvas().pixel(576, 376), kWhite) << "the long arm ends at 75";
    EXPECT_NE(canvas().pixel(574, 374), kWhite);
}

TEST_F(Stamps, ConfettiSlopeFromTheFourthNumber)
{
    // v = 10 x (0.9 - 0.5) = 4; eleven strokes stepping right, and down by
    // 2b per step.
    for (double r4 : {0.99, 0.01}) {
        Rig fresh;
        StrokeFrame f(fresh.context());
        fresh.state.brushIndex = 27;
        for (double v : {0.5, 0.5, 0.9, r4})
            fresh.random.push(v);
        f.Form_MouseDown(500, 300);
        f.Form_MouseMove(500, 300, true);
        EXPECT_EQ(fresh.random.draws, 4);
        const bool downwards = r4 > 0.5;
        EXPECT_EQ(fresh.canvas.pixel(510, 311) != kWhite, downwards) << r4;
        EXPECT_EQ(fresh.canvas.pixel(510, 291) != kWhite, !downwards) << r4;
        EXPECT_NE(fresh.canvas.pixel(500, 300), kWhite);
    }
}

} // namespace
} // namespace pemma::test
