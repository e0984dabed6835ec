// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/StrokeDriver.h"

using namespace pemma;
using namespace pemma::test;

namespace {

// Red over a white drawing, thickness 10, one stroke (x0, y0) -> (x1, y1).
struct RedWash : Drive {
    RedWash(int brush, double x0, double y0, double x1, double y1) : Drive(brush, 10)
    {
        colour(255, 0, 0);
        stroke({{x0, y0}, {x1, y1}});
    }
};

} // namespace

TEST(Watercolour, TintsOverWhiteByRow)
{
    // Pointer on an odd row: the middle row (k = 0) alone paints pixel row 201.
    RedWash tall(28, 100, 201, 140, 201);
    EXPECT_EQ(tall.at(120, 201), rgb(254, 19, 19));
    EXPECT_EQ(tall.at(100, 201), rgb(254, 19, 19)); // runs reach the previous x
    EXPECT_EQ(tall.at(140, 201), rgb(254, 19, 19));
    EXPECT_EQ(tall.at(99, 201), kWhite);
    // Row 196 takes k = -10 (254, 254, 254), then k = -9 reads that and darkens it.
    EXPECT_EQ(tall.at(120, 196), rgb(253, 225, 225));
    EXPECT_EQ(tall.at(120, 195), kWhite);
    EXPECT_EQ(tall.at(120, 207), kWhite);

    // Half a pixel lower, row 203 is painted by k = 5 alone.
    RedWash half(28, 100, 200.5, 140, 200.5);
    EXPECT_EQ(half.at(120, 203), rgb(254, 83, 83));

    // On an even row the end row k = -10 has pixel row 195 to itself.
    RedWash even(28, 100, 200, 140, 200);
    EXPECT_EQ(even.at(120, 195), rgb(254, 254, 254));

    // The wide bar is the same with the axes exchanged.
    RedWash wide(29, 201, 100, 201, 140);
    EXPECT_EQ(wide.at(201, 120), rgb(254, 19, 19));
    EXPECT_EQ(wide.at(196, 120), rgb(253, 225, 225));
    EXPECT_EQ(wide.at(201, 99), kWhite);
}

TEST(Watercolour, FirstMoveOnlyReadsAndSetsPenWidth)
{
    Drive d(28, 10);
    d.colour(255, 0, 0);
    d.press(100, 201);
    d.rig.canvas.takeDirty();
    d.move(100, 201);
    EXPECT_TRUE(d.rig.canvas.takeDirty().isEmpty());
    EXPECT_EQ(d.rig.canvas.drawWidth(), 1);
    EXPECT_EQ(d.rig.state.pixelColour, rgb(255, 0, 0));

    // Over black nothing is painted and the pen width keeps the usual 8.
    Drive dark(28, 10);
    dark.rig.canvas.setBackColor(kBlack);
    dark.colour(255, 0, 0);
    dark.stroke({{100, 201}, {140, 201}});
    EXPECT_EQ(dark.rig.canvas.drawWidth(), 8);
    EXPECT_EQ(dark.at(120, 201), kBlack);
}

TEST(Watercolour, RowsWithoutAReadableStartPaintNothing)
{
    // A black start pixel stops its own row only.
    Drive d(28, 10);
    d.colour(255, 0, 0);
    d.rig.canvas.image().setPixel(140, 201, Canvas::toRgb(kBlack));
    d.stroke({{100, 201}, {140, 201}});
    EXPECT_EQ(d.at(120, 201), kWhite);
    EXPECT_EQ(d.at(140, 201), kBlack);
    EXPECT_NE(d.at(120, 199), kWhite);

    // Near the top: rows at y + k/2 <= 0 are skipped, so pixel row 0 is
    // painted by k = -3 alone.
    RedWash top(28, 100, 2, 140, 2);
    EXPECT_EQ(top.at(120, 0), rgb(254, 42, 42));

    // A pointer at x <= 0, or beyond the drawing, reads nothing and paints nothing.
    RedWash left(28, 50, 201, -5, 201);
    EXPECT_EQ(left.at(20, 201), kWhite);
    RedWash right(28, 1000, 201, 1100, 201);
    EXPECT_EQ(right.at(1010, 201), kWhite);
    RedWash above(29, 201, 50, 201, -5);
    EXPECT_EQ(above.at(201, 20), kWhite);
}

TEST(Watercolour, RepaintsOnlyTheRowsItPainted)
{
    Drive d(28, 10);
    d.colour(255, 0, 0);
    d.press(100, 201);
    d.move(100, 201);
    d.rig.canvas.takeDirty();
    d.move(140, 201);
    EXPECT_EQ(d.rig.canvas.takeDirty(), QRect(QPoint(100, 196), QPoint(140, 206)));
}
