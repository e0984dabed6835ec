// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "support/StrokeDriver.h"

using namespace pemma;
using namespace pemma::test;

namespace {
Colour grey(int v) { return rgb(v, v, v); }
} // namespace

TEST(BandedRings, ShadeSequenceOnBlack)
{
    Drive d(33, 10);
    d.stroke({{512, 384}});
    // Rings from the outside in (i = 25 .. 1), radii floor(10 i / 3), each seen
    // just outside its radius where no inner ring reaches.
    const int greys[25] = {0,   20,  40,  60,  80,  100, 120, 140, 160, 180, 200, 220, 240,
                           252, 232, 212, 192, 172, 152, 132, 112, 92,  72,  52,  32};
    for (int i = 25; i >= 1; --i) {
        const int radius = 10 * i / 3;
        EXPECT_EQ(d.at(512 + radius + 2, 384), grey(greys[25 - i])) << "ring " << i;
        EXPECT_EQ(d.at(512, 384 - radius - 2), grey(greys[25 - i])) << "ring " << i;
    }
    EXPECT_EQ(d.at(512, 384), grey(12)); // the centre dot, v = 500
    EXPECT_EQ(d.at(512 + 83 + 8, 384), kWhite);
    EXPECT_EQ(d.rig.canvas.fillStyle(), Canvas::Transparent);

    // Thickness 1: the innermost rings shrink to radius 0 like the centre dot.
    Drive thin(33, 1);
    thin.stroke({{512, 384}});
    EXPECT_EQ(thin.at(512, 384), grey(12));
    EXPECT_EQ(thin.at(520, 384), grey(20)); // radius 8: ring 24 drawn over ring 25
    EXPECT_EQ(thin.at(521, 384), kWhite);
}

TEST(BandedRings, FractionalLevelJustBelow256DoesNotFlip)
{
    // The slider stands at 255, so the slider step leaves red at 255.7.
    Drive d(33, 10);
    d.colour(255, 0, 0);
    d.press(512, 384);
    d.rig.state.red = 255.7;
    d.move(512, 384);
    EXPECT_DOUBLE_EQ(d.rig.state.red, 255.7);
    EXPECT_EQ(d.at(512 + 83 + 2, 384), rgb(255, 0, 0));  // v = 255.7 -> 256 -> 255
    EXPECT_EQ(d.at(512 + 80 + 2, 384), rgb(236, 20, 20)); // v = 275.7 -> 276
}

TEST(BandedRings, LeaveTheFillStyleTransparentAfterTheFillBrush)
{
    Drive d(30, 10);
    d.stroke({{-10, -10}}); // fills nothing, leaves a solid fill style
    ASSERT_EQ(d.rig.canvas.fillStyle(), Canvas::Solid);
    d.rig.state.brushIndex = 33;
    d.stroke({{512, 384}});
    EXPECT_EQ(d.rig.canvas.fillStyle(), Canvas::Transparent);
    // Brush 44 afterwards draws rings, not discs.
    d.rig.state.brushIndex = 44;
    d.stroke({{512, 384}});
    EXPECT_EQ(d.at(512 + 150, 384), kWhite);
}

TEST(Lattice, DarkensInwardsAndVanishesAtThePointer)
{
    Drive d(34, 10);
    d.colour(240, 120, 0);
    d.stroke({{512, 384}});
    EXPECT_EQ(d.at(150, 384), rgb(230, 115, 0)); // k = 0.5, left side near x = 150
    EXPECT_EQ(d.at(256, 384), rgb(220, 110, 0)); // k = 1, left side at x = 256
    EXPECT_EQ(d.at(504, 384), rgb(120, 60, 0));  // k = 6, left side at x = 504
    EXPECT_EQ(d.at(512, 390), rgb(120, 60, 0));  // k = 6, bottom side
    EXPECT_EQ(d.at(252, 189), rgb(120, 60, 0));  // edge from the top-left corner to (0, 0)
    EXPECT_EQ(d.at(512, 384), kWhite);
    EXPECT_EQ(d.rig.canvas.foreColor(), rgb(120, 60, 0));
}

TEST(Lattice, PointerAtOrBeyondTheEdgeBecomesOne)
{
    Drive d(34, 10);
    d.press(-20, 300);
    d.move(-20, 300);
    EXPECT_EQ(d.rig.state.prevX, 1);
    EXPECT_EQ(d.rig.state.prevY, 300);
    d.move(50, -3);
    EXPECT_EQ(d.rig.state.prevX, 50);
    EXPECT_EQ(d.rig.state.prevY, 1);
    d.move(0, 0);
    EXPECT_EQ(d.rig.state.prevX, 1);
    EXPECT_EQ(d.rig.state.prevY, 1);
}

TEST(ConcentricCircles, RingsOrOneDiscAfterTheFillBrush)
{
    const Colour red = rgb(255, 0, 0), blue = rgb(0, 0, 255);
    Drive rings(44, 10);
    rings.colour(255, 0, 0);
    rings.stroke({{1000, 700}});
    EXPECT_EQ(rings.at(899, 700), red); // radius 101
    EXPECT_EQ(rings.at(799, 700), red); // radius 201
    EXPECT_EQ(rings.at(950, 700), kWhite);
    EXPECT_EQ(rings.at(1000, 700), kWhite);

    // Brush 30 dragged outside the drawing fills nothing but leaves a solid
    // blue fill: every circle is now a disc, and the largest covers the rest.
    Drive discs(30, 10);
    discs.colour(0, 0, 255);
    discs.stroke({{-10, -10}});
    discs.rig.state.brushIndex = 44;
    discs.colour(255, 0, 0);
    discs.stroke({{1000, 700}});
    EXPECT_EQ(discs.at(1000, 700), blue);
    EXPECT_EQ(discs.at(899, 700), blue);
    EXPECT_EQ(discs.at(500, 700), blue);
    EXPECT_EQ(discs.at(222, 155), blue); // 950 from the centre
    EXPECT_EQ(discs.at(180, 126), red);  // on the outline of radius 1001
    EXPECT_EQ(discs.at(99, 69), kWhite); // 1100 from the centre
}

TEST(ConcentricCircles, DoubleCirclesMirrorThroughTheCentre)
{
    Drive one(44, 10), two(45, 10);
    one.stroke({{512, 384}});
    two.stroke({{512, 384}});
    EXPECT_EQ(one.rig.canvas.image(), two.rig.canvas.image());

    Drive apart(45, 10);
    apart.stroke({{300, 200}});
    EXPECT_EQ(apart.at(724 + 101, 568), kBlack); // around (1024 - 300, 768 - 200)
    EXPECT_EQ(apart.at(300 + 101, 200), kBlack);
    Drive single(44, 10);
    single.stroke({{300, 200}});
    EXPECT_EQ(single.at(724 + 101, 568), kWhite);
}

// With the solid fill in force, brushes 44 and 45 leave exactly what drawing
// all their circles one after the other leaves, for every thickness and for
// centres inside, near and beyond the edges.
TEST(ConcentricCircles, FilledDiscsLeaveWhatAllTheCirclesLeave)
{
    std::mt19937 rng(44);
    std::uniform_real_distribution<double> along(-1300, 2300);
    const int thicknesses[] = {1, 3, 10, 40, 100};
    for (int round = 0; round < 20; ++round) {
        const int brush = 44 + round % 2;
        Drive d(brush, thicknesses[round % 5]);
        Canvas& c = d.rig.canvas;
        c.setFillStyle(Canvas::Solid);
        c.setFillColor(rgb(round * 12, 100, 255 - round * 12));
        c.box(100, 100, 900, 600); // something for the discs to cover
        const QImage before = c.image().copy();
        const double x = along(rng), y = along(rng) * 0.7;
        d.colour(255, 0, round * 10);
        d.stroke({{x, y}});

        Canvas ref(c.width(), c.height());
        ref.image() = before;
        ref.setForeColor(c.foreColor());
        ref.setDrawWidth(c.drawWidth());
        ref.setFillStyle(Canvas::Solid);
        ref.setFillColor(c.fillColor());
        const double mx = d.rig.state.screenWidthTwips / 15 - x, my = d.rig.state.screenHeightTwips / 15 - y;
        for (int i = 1; i <= 10; ++i) {
            ref.circle(x, y, 100 * i + 1);
            if (brush == 45)
                ref.circle(mx, my, 100 * i + 1);
        }
        ASSERT_TRUE(c.image() == ref.image()) << "brush " << brush << " at (" << x << ", " << y << ")";
    }
}
