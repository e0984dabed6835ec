// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "canvas/Canvas.h"
#include "reference/BoundaryFill.h"
#include "state/Colour.h"
#include "state/Rounding.h"

using namespace pemma;

namespace {
int countColour(const Canvas& c, Colour colour)
{
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            n += c.pixel(x, y) == colour;
    return n;
}
} // namespace

TEST(Canvas, ReadsOutsideGiveInvalidColourAndColoursKeepTheirByteOrder)
{
    Canvas c(20, 10);
    EXPECT_EQ(c.pixel(0, 0), kWhite);
    EXPECT_EQ(c.pixel(-1, 0), -1);
    EXPECT_EQ(c.pixel(20, 0), -1);
    EXPECT_EQ(c.pixel(0, 10), -1);
    c.pset(3, 4, joinColour(10, 20, 30));
    EXPECT_EQ(c.pixel(3, 4), 10 + 256 * 20 + 65536 * 30);
    EXPECT_EQ(qRed(c.image().pixel(3, 4)), 10);
    EXPECT_EQ(qBlue(c.image().pixel(3, 4)), 30);
}

TEST(Canvas, PointsFallOnTheRoundedPixelAndDotsStayWithinHalfThePenWidth)
{
    Canvas c(40, 40);
    c.pset(2.5, 3.5, kBlack); // halves to even: (2, 4)
    EXPECT_EQ(c.pixel(2, 4), kBlack);
    EXPECT_EQ(countColour(c, kBlack), 1);

    for (int w : {2, 4, 5, 7, 8, 13}) {
        Canvas d(60, 60);
        d.setDrawWidth(w);
        d.pset(30, 30, kBlack);
        int n = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                if (d.pixel(x, y) == kBlack) {
                    ++n;
                    EXPECT_LE(4 * ((x - 30) * (x - 30) + (y - 30) * (y - 30)), w * w) << "w " << w;
                }
        // A disc, not just its centre: it reaches w / 2 along the axes.
        EXPECT_EQ(d.pixel(30 + w / 2, 30), kBlack) << w;
        EXPECT_EQ(d.pixel(30, 30 - w / 2), kBlack) << w;
        EXPECT_GT(n, (w - 1) * (w - 1) / 2) << w;
    }
}

TEST(Canvas, InvalidColourPaintsNothingAndPenWidthRoundsHalfToEven)
{
    Canvas c(20, 20);
    c.setDrawWidth(5);
    c.pset(10, 10, -1);
    c.line(0, 0, 19, 19, -1);
    EXPECT_EQ(countColour(c, kWhite), 400);

    c.setDrawWidth(2.5);
    EXPECT_EQ(c.drawWidth(), 2);
    c.setDrawWidth(3.5);
    EXPECT_EQ(c.drawWidth(), 4);
    c.setDrawWidth(0.4); // never below one pixel
    EXPECT_EQ(c.drawWidth(), 1);
}

TEST(Canvas, SegmentsBoxesAndCirclesFollowFillStyle)
{
    Canvas c(100, 100);
    c.setForeColor(joinColour(255, 0, 0));
    c.line(10, 50, 90, 50);
    EXPECT_EQ(c.pixel(50, 50), joinColour(255, 0, 0));
    EXPECT_EQ(c.currentX(), 90);
    c.lineTo(90, 90);
    EXPECT_EQ(c.pixel(90, 70), joinColour(255, 0, 0));

    c.cls();
    c.box(20, 20, 40, 40);
    EXPECT_EQ(c.pixel(20, 30), joinColour(255, 0, 0));
    EXPECT_EQ(c.pixel(30, 30), kWhite) << "transparent fill at start";
    c.setFillStyle(Canvas::Solid);
    c.setFillColor(joinColour(0, 0, 255));
    c.box(50, 50, 70, 70);
    EXPECT_EQ(c.pixel(60, 60), joinColour(0, 0, 255));
    c.circle(25, 75, 10);
    EXPECT_EQ(c.pixel(25, 75), joinColour(0, 0, 255));
    EXPECT_EQ(c.pixel(25, 65), joinColour(255, 0, 0));

    // Fractional corners and end points land on rounded pixels, halves to even.
    c.cls();
    c.setFillStyle(Canvas::Transparent);
    c.box(10.5, 10.6, 20.4, 30.5);
    EXPECT_EQ(c.pixel(10, 20), joinColour(255, 0, 0)) << "10.5 -> 10";
    EXPECT_EQ(c.pixel(11, 11), joinColour(255, 0, 0)) << "10.6 -> 11";
    EXPECT_EQ(c.pixel(11, 10), kWhite);
    EXPECT_EQ(c.pixel(20, 20), joinColour(255, 0, 0)) << "20.4 -> 20";
    EXPECT_EQ(c.pixel(15, 30), joinColour(255, 0, 0)) << "30.5 -> 30";
    EXPECT_EQ(c.pixel(15, 31), kWhite);
    c.line(60.6, 50, 60.6, 90);
    EXPECT_EQ(c.pixel(61, 70), joinColour(255, 0, 0));
    EXPECT_EQ(c.pixel(60, 70), kWhite);
}

TEST(Canvas, BoxOutlineCoversThePixelsWithinHalfThePenWidthOfItsEdges)
{
    // Boxes of every shape, also of zero width or height or with both corners
    // on one pixel, partly or wholly beyond the edges, outlined and filled.
    std::mt19937 gen(9);
    auto coordinate = [&](int size) { return std::uniform_real_distribution<double>(-8, size + 8)(gen); };
    const Colour pen = joinColour(200, 0, 0), fill = joinColour(0, 0, 200);
    int wrong = 0;
    for (int i = 0; i < 2000 && wrong == 0; ++i) {
        Canvas c(40, 30);
        c.takeDirty();
        const int w = i % 3 ? 1 + gen() % 4 : 1 + gen() % 24;
        c.setDrawWidth(w);
        c.setForeColor(pen);
        const bool solid = i % 2;
        c.setFillStyle(solid ? Canvas::Solid : Canvas::Transparent);
        c.setFillColor(fill);
        const double x1 = coordinate(40), y1 = coordinate(30);
        double x2 = coordinate(40), y2 = coordinate(30);
        if (i % 5 == 0)
            x2 = x1 + 0.3, y2 = y1 - 0.2; // both corners on one pixel
        else if (i % 5 == 1)
            y2 = y1; // zero height
        else if (i % 5 == 2)
            x2 = x1; // zero width
        c.box(x1, y1, x2, y2);

        const int left = std::min(roundHalfEven(x1), roundHalfEven(x2));
        const int right = std::max(roundHalfEven(x1), roundHalfEven(x2));
        const int top = std::min(roundHalfEven(y1), roundHalfEven(y2));
        const int bottom = std::max(roundHalfEven(y1), roundHalfEven(y2));
        const bool onePixel = left == right && top == bottom;
        for (int y = 0; y < 30 && !wrong; ++y) {
            for (int x = 0; x < 40 && !wrong; ++x) {
                const bool inside = x >= left && x <= right && y >= top && y <= bottom;
                // Distance on either axis from the rectangle's edges.
                const int distance = inside ? std::min({x - left, right - x, y - top, bottom - y})
                                            : std::max({left - x, x - right, top - y, y - bottom});
                Colour expected = inside && solid ? fill : kWhite;
                if (onePixel ? 4 * ((x - left) * (x - left) + (y - top) * (y - top)) <= w * w : 2 * distance <= w)
                    expected = pen; // a lone pixel's outline is the pen's dot
                if (c.pixel(x, y) != expected || (expected != kWhite && !c.dirty().contains(x, y))) {
                    ++wrong;
                    ADD_FAILURE() << "box (" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << "), pen " << w
                                  << (solid ? ", solid" : "") << ": pixel " << x << "," << y;
                }
            }
        }
        if (onePixel) {
            // A segment whose ends land on one pixel paints that dot too.
            Canvas d(40, 30);
            d.setDrawWidth(w);
            d.line(x1, y1, x2, y2, pen);
            Canvas dot(40, 30);
            dot.setDrawWidth(w);
            dot.pset(x1, y1, pen);
            EXPECT_TRUE(d.image() == dot.image()) << "pen " << w;
        }
    }
}

// A batch paints large areas in two bands on two threads; the pixels and the
// dirty rectangle must be those of the circles painted one by one, whatever
// the pens, fills, sizes and how far the circles reach off the drawing.
// Every other round is a set of rings around one centre from the outside in,
// the innermost ones shrunk to dots (brush 33's rings).
TEST(Canvas, ABatchOfCirclesPaintsWhatTheCirclesPaintOneByOne)
{
    std::mt19937 random(7);
    auto uniform = [&](double from, double to) { return std::uniform_real_distribution<double>(from, to)(random); };
    for (int round = 0; round < 60; ++round) {
        Canvas one(1100, 800), batched(1100, 800);
        std::vector<std::function<void(Canvas&)>> circles;
        const bool rings = round % 2 == 1;
        const int n = 1 + static_cast<int>(random() % (rings ? 25 : 12));
        const double cx = uniform(-300, 1400), cy = uniform(-300, 1100), step = uniform(0, 50);
        const int ringWidth = 1 + static_cast<int>(random() % 120);
        for (int k = 0; k < n; ++k) {
            const double x = rings ? cx : uniform(-300, 1400), y = rings ? cy : uniform(-300, 1100);
            const double r = rings ? std::floor((n - 1 - k) * step) : uniform(0, 900);
            const int width = rings ? ringWidth : 1 + static_cast<int>(random() % 120);
            const Colour colour = static_cast<Colour>(random() % 0x1000000);
            const bool solid = random() % 3 == 0;
            circles.push_back([=](Canvas& c) {
                c.setDrawWidth(width);
                c.setForeColor(colour);
                c.setFillStyle(solid ? Canvas::Solid : Canvas::Transparent);
                c.setFillColor(colour ^ 0x00FFFF);
                c.circle(x, y, r);
            });
        }
        for (const auto& circle : circles)
            circle(one);
        {
            Canvas::CircleBatch batch(batched);
            for (const auto& circle : circles)
                circle(batched);
        }
        ASSERT_EQ(one.image(), batched.image()) << "round " << round;
        ASSERT_EQ(one.dirty(), batched.dirty()) << "round " << round;
    }
}

TEST(Canvas, BackgroundColourAndPictureRebuildTheDrawing)
{
    Canvas c(50, 50);
    c.pset(40, 40, kBlack);
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(qRgb(0, 255, 0));
    c.setPicture(picture);
    EXPECT_EQ(c.pixel(5, 5), joinColour(0, 255, 0));
    EXPECT_EQ(c.pixel(40, 40), kWhite) << "painting is lost";
    c.setBackColor(joinColour(0, 0, 255));
    EXPECT_EQ(c.pixel(5, 5), joinColour(0, 255, 0));
    EXPECT_EQ(c.pixel(20, 20), joinColour(0, 0, 255));
    EXPECT_EQ(c.takeDirty(), QRect(0, 0, 50, 50));
    EXPECT_TRUE(c.takeDirty().isEmpty());
}

TEST(Canvas, DirtyRectangleCoversOnlyWhatWasPainted)
{
    Canvas c(1000, 1000);
    c.takeDirty();
    c.setDrawWidth(8);
    c.line(100, 100, 200, 120);
    const QRect r = c.takeDirty();
    EXPECT_TRUE(r.contains(QRect(100, 100, 101, 21)));
    EXPECT_LT(r.width(), 120);
    EXPECT_LT(r.height(), 40);
}

TEST(Canvas, BoundaryFillStopsAtBorderAndEdgesAndCoversAWholeScreen)
{
    Canvas c(60, 40);
    c.setForeColor(kBlack);
    c.box(10, 10, 30, 30);
    c.setFillStyle(Canvas::Solid);
    c.setFillColor(joinColour(255, 0, 0));
    reference::boundaryFill(c, 20, 20, kBlack);
    EXPECT_EQ(c.pixel(20, 20), joinColour(255, 0, 0));
    EXPECT_EQ(c.pixel(11, 29), joinColour(255, 0, 0));
    EXPECT_EQ(c.pixel(10, 20), kBlack);
    EXPECT_EQ(c.pixel(5, 5), kWhite);

    reference::boundaryFill(c, 100, 5, kBlack); // start outside: nothing
    EXPECT_EQ(c.pixel(5, 5), kWhite);
    reference::boundaryFill(c, 10, 10, kBlack); // start on the border colour: nothing
    EXPECT_EQ(c.pixel(5, 5), kWhite);

    Canvas big(1920, 1080);
    big.setFillStyle(Canvas::Solid);
    big.setFillColor(kBlack);
    reference::boundaryFill(big, 960, 540, kBlack);
    EXPECT_EQ(countColour(big, kBlack), 1920 * 1080);
}

TEST(Canvas, BoundaryFillThatDoesNotBecomeBorderStillEnds)
{
    // Fill colour differs from the border: filled pixels must not be refilled.
    Canvas c(300, 200);
    c.setFillStyle(Canvas::Solid);
    c.setFillColor(joinColour(0, 255, 0));
    reference::boundaryFill(c, 0, 0, kBlack);
    EXPECT_EQ(countColour(c, joinColour(0, 255, 0)), 300 * 200);
}
