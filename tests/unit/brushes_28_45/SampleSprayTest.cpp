// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "support/StrokeDriver.h"

using namespace pemma;
using namespace pemma::test;

namespace {

// Every pixel a different colour in a small neighbourhood.
Colour pattern(int x, int y) { return rgb(x & 255, y & 255, (x + y) % 7); }

void paintPattern(Canvas& c)
{
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            c.image().setPixel(x, y, Canvas::toRgb(pattern(x, y)));
}

} // namespace

TEST(SamplingBrushes, MosaicPaintsEachGridPointsOwnColourInWalkOrder)
{
    Drive d(39, 10);
    paintPattern(d.rig.canvas);
    d.stroke({{500, 400}});
    for (int gx : {476, 492, 508, 524})
        for (int gy : {376, 392, 408, 424}) {
            EXPECT_EQ(d.at(gx, gy), pattern(gx, gy));
            EXPECT_EQ(d.at(gx + 5, gy + 5), pattern(gx, gy));
            EXPECT_EQ(d.at(gx - 5, gy - 5), pattern(gx, gy));
        }
    // Neighbouring dots share their edge pixels; the later one in the walk,
    // the one further right or further down, wins.
    EXPECT_EQ(d.at(484, 376), pattern(492, 376));
    EXPECT_EQ(d.at(476, 384), pattern(476, 392));
    EXPECT_EQ(d.rig.state.pixelColour, pattern(524, 424));
    EXPECT_EQ(d.rig.canvas.drawWidth(), 16);
}

TEST(SamplingBrushes, BlursKeepGridColoursAndUniformSurfaces)
{
    Drive coarse(38, 10);
    paintPattern(coarse.rig.canvas);
    coarse.stroke({{500.4, 399.6}});
    EXPECT_EQ(coarse.at(476, 376), pattern(476, 376));
    EXPECT_EQ(coarse.at(477, 376), pattern(476, 376));
    EXPECT_EQ(coarse.at(478, 376), pattern(480, 376)); // shared with the next column's dot
    EXPECT_EQ(coarse.at(524, 424), pattern(524, 424));
    EXPECT_EQ(coarse.at(526, 424), pattern(524, 424));
    EXPECT_EQ(coarse.at(527, 424), pattern(527, 424)); // beyond the reach
    EXPECT_EQ(coarse.rig.canvas.drawWidth(), 4);

    Drive fine(37, 10);
    fine.rig.canvas.setBackColor(rgb(40, 90, 160));
    const QImage before = fine.rig.canvas.image().copy();
    fine.stroke({{300, 300}, {305, 302}, {311, 299}});
    EXPECT_EQ(fine.rig.canvas.image(), before);
    EXPECT_EQ(fine.rig.canvas.drawWidth(), 2);
    EXPECT_EQ(fine.rig.state.pixelColour, rgb(40, 90, 160));
}

TEST(SamplingBrushes, GridPointsOutsideTheDrawingAreSkipped)
{
    Drive d(39, 10);
    paintPattern(d.rig.canvas);
    d.stroke({{1020, 760}});
    // Grid x: 996, 1012, (1028, 1044 outside); y: 736, 752, (768, 784 outside).
    EXPECT_EQ(d.rig.state.pixelColour, pattern(1012, 752));
    EXPECT_EQ(d.at(1012, 752), pattern(1012, 752));
    EXPECT_EQ(d.at(1020, 767), pattern(1020, 767)); // no dot of an unreadable point
}

TEST(SprayBrushes, DotSizeAndCountByThickness)
{
    struct Row {
        int thickness, dotSize, dots;
    };
    for (Row row : {Row{1, 1, 12}, Row{10, 2, 17}, Row{30, 4, 23}, Row{100, 9, 34}}) {
        for (int brush : {41, 42, 43}) {
            Drive d(brush, row.thickness);
            d.rig.random.pushMany(0.5, 5 * row.dots);
            EXPECT_NO_THROW(d.stroke({{500, 400}})) << "brush " << brush << " thickness " << row.thickness;
            EXPECT_EQ(d.rig.random.remaining(), 0u) << "brush " << brush << " thickness " << row.thickness;
            EXPECT_EQ(d.rig.canvas.drawWidth(), row.dotSize);
        }
        Drive crayon(40, row.thickness);
        crayon.rig.random.pushMany(0.5, 60);
        EXPECT_NO_THROW(crayon.stroke({{500, 400}}));
        EXPECT_EQ(crayon.rig.random.remaining(), 0u);
        EXPECT_EQ(crayon.rig.canvas.drawWidth(), row.dotSize);
    }
}

TEST(SprayBrushes, FiveNumbersPerDotInOrderRedGreenBlueXY)
{
    Drive d(41, 1); // dot size 1, 12 dots in a square of side 8
    d.colour(100, 100, 100);
    ScriptedRandom& r = d.rig.random;
    for (double v : {0.9, 0.1, 0.5, 0.0, 0.25})
        r.push(v); // (120, 80, 100) at (496, 398)
    for (double v : {0.1, 0.5, 0.99, 0.875, 0.625})
        r.push(v); // (80, 100, 124.5 -> 124) at (503, 401)
    for (int n = 0; n < 9; ++n)
        for (double v : {0.5, 0.5, 0.5, 0.5, 0.5})
            r.push(v);
    for (double v : {0.0, 0.0, 0.0, 0.5, 0.5})
        r.push(v); // last dot (75, 75, 75) at the pointer
    d.stroke({{500, 400}});
    EXPECT_EQ(d.at(496, 398), rgb(120, 80, 100));
    EXPECT_EQ(d.at(503, 401), rgb(80, 100, 124));
    EXPECT_EQ(d.at(498, 396), kWhite);
    EXPECT_EQ(d.at(500, 400), rgb(75, 75, 75));
    EXPECT_EQ(d.rig.canvas.foreColor(), rgb(75, 75, 75));
    EXPECT_DOUBLE_EQ(d.rig.state.shadeLevel[0], 75);

    // Components are held within 0..255.
    Drive w(43, 1);
    w.colour(255, 255, 255);
    for (double v : {0.9, 0.1, 0.3, 0.0, 0.0})
        w.rig.random.push(v);
    w.rig.random.pushMany(0.5, 55);
    w.stroke({{500, 400}});
    EXPECT_EQ(w.at(496, 396), rgb(255, 175, 215));
    Drive b(43, 1);
    b.colour(0, 0, 0);
    for (double v : {0.1, 0.9, 0.5, 0.0, 0.0})
        b.rig.random.push(v);
    b.rig.random.pushMany(0.5, 55);
    b.stroke({{500, 400}});
    EXPECT_EQ(b.at(496, 396), rgb(0, 80, 0));
}

TEST(SprayBrushes, CrayonDotsStayInTheSquareInTheColour)
{
    Drive d(40, 1);
    d.colour(10, 20, 30);
    for (int n = 0; n < 60; ++n)
        d.rig.random.push(std::fmod(n * 0.37, 1.0));
    d.stroke({{500, 400}});
    int inside = 0, outside = 0;
    for (int y = 380; y <= 420; ++y)
        for (int x = 480; x <= 520; ++x) {
            if (d.at(x, y) == kWhite)
                continue;
            EXPECT_EQ(d.at(x, y), rgb(10, 20, 30));
            (std::abs(x - 500) <= 4 && std::abs(y - 400) <= 4 ? inside : outside)++;
        }
    EXPECT_GT(inside, 10);
    EXPECT_EQ(outside, 0);
}
