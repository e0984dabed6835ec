// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "reference/BoundaryFill.h"
#include "support/StrokeDriver.h"
#include "state/Rounding.h"

using namespace pemma;
using namespace pemma::test;

TEST(FillBrush, FillsUpToTheColourAndLeavesSolidFill)
{
    Drive d(30, 10);
    const Colour red = rgb(255, 0, 0);
    Canvas& c = d.rig.canvas;
    c.setForeColor(red);
    c.setDrawWidth(1);
    c.box(200, 200, 400, 300);
    d.colour(255, 0, 0);
    d.stroke({{300.4, 250.5}});
    EXPECT_EQ(d.at(300, 250), red);
    EXPECT_EQ(d.at(201, 201), red);
    EXPECT_EQ(d.at(399, 299), red);
    EXPECT_EQ(d.at(500, 500), kWhite);
    EXPECT_EQ(d.at(199, 250), kWhite);
    // The frame shows along the top and left edges only.
    EXPECT_EQ(d.at(500, 0), red);
    EXPECT_EQ(d.at(0, 500), red);
    EXPECT_EQ(d.at(1023, 500), kWhite);
    EXPECT_EQ(d.at(500, 767), kWhite);
    EXPECT_EQ(c.fillStyle(), Canvas::Solid);
    EXPECT_EQ(c.fillColor(), red);
}

TEST(FillBrush, FillsAWholeLargeDrawing)
{
    Drive d(30, 10, 1920, 1080);
    d.rig.state.screenWidthTwips = 1920 * 15;
    d.rig.state.screenHeightTwips = 1080 * 15;
    d.colour(0, 0, 200);
    d.press(960, 540);
    d.rig.canvas.takeDirty();
    d.move(960, 540);
    const QImage& img = d.rig.canvas.image();
    const QRgb want = Canvas::toRgb(rgb(0, 0, 200));
    long long others = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            others += img.pixel(x, y) != want;
    EXPECT_EQ(others, 0);
    EXPECT_EQ(d.rig.canvas.takeDirty(), img.rect());
}

// On mazes of every density and from starts anywhere, the brush fills what
// the frame and the canvas's boundary fill leave, pixel for pixel.
TEST(FillBrush, FillsWhatTheBoundaryFillFills)
{
    std::mt19937 rng(30);
    const int w = 97, h = 61;
    const QRgb others[] = {0xFFFFFFFFu, 0xFF0A0A0Au, 0xFF1EC80Bu};
    for (int round = 0; round < 60; ++round) {
        Drive d(30, 1 + round % 3 * 7, w, h);
        const double density = (round % 10) / 10.0;
        std::bernoulli_distribution wall(density);
        QImage maze(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                maze.setPixel(x, y, wall(rng) ? 0xFF0AC81Eu : others[(x * 7 + y * 3 + round) % 3]);
        d.rig.canvas.image() = maze;
        const double x = std::uniform_real_distribution<double>(-2, w + 1)(rng);
        const double y = std::uniform_real_distribution<double>(-2, h + 1)(rng);
        d.colour(10, 200, 30);
        d.stroke({{x, y}});

        Canvas ref(w, h);
        ref.image() = maze;
        const Colour colour = d.rig.canvas.foreColor();
        ref.setForeColor(colour);
        ref.setDrawWidth(d.rig.canvas.drawWidth());
        const double sw = d.rig.state.screenWidthTwips, sh = d.rig.state.screenHeightTwips;
        ref.line(0, 0, sw, 0);
        ref.lineTo(sw, sh);
        ref.lineTo(0, sh);
        ref.lineTo(0, 0);
        ref.setFillStyle(Canvas::Solid);
        ref.setFillColor(colour);
        reference::boundaryFill(ref, roundHalfEven(x), roundHalfEven(y), colour);
        ASSERT_TRUE(d.rig.canvas.image() == ref.image()) << "round " << round << " from (" << x << ", " << y << ")";
    }
}

TEST(FillBrush, StartOutsideOrOnTheColourFillsNothing)
{
    // Dragged past the left edge: the frame is drawn, nothing is filled.
    Drive out(30, 10);
    out.colour(0, 0, 255);
    out.stroke({{-20, 300}});
    EXPECT_EQ(out.at(500, 1), rgb(0, 0, 255));
    EXPECT_EQ(out.at(500, 500), kWhite);
    EXPECT_EQ(out.rig.canvas.fillStyle(), Canvas::Solid);

    // Starting on a pixel of the foreground colour changes nothing else.
    Drive on(30, 10);
    on.rig.canvas.setDrawWidth(20);
    on.rig.canvas.pset(500, 500, rgb(0, 0, 255));
    on.colour(0, 0, 255);
    on.stroke({{500, 500}});
    EXPECT_EQ(on.at(700, 700), kWhite);
    EXPECT_EQ(on.at(500, 500), rgb(0, 0, 255));
}

TEST(FanBrushes, ShareOneGrowingAngle)
{
    // The scripted generator is empty: any random draw would throw.
    Drive d(31, 10);
    d.stroke({{300, 100}, {301, 100}, {302, 100}});
    EXPECT_NEAR(d.rig.state.spinAngle, 0.06, 1e-12);
    d.rig.state.brushIndex = 35;
    d.stroke({{300, 100}, {301, 100}});
    EXPECT_NEAR(d.rig.state.spinAngle, 0.16, 1e-12);
    d.rig.state.brushIndex = 36;
    d.stroke({{300, 100}});
    d.rig.state.brushIndex = 32;
    d.stroke({{300, 100}});
    EXPECT_NEAR(d.rig.state.spinAngle, 0.23, 1e-12);
    // Never brought back into one turn.
    d.rig.state.spinAngle = 1000;
    d.rig.state.brushIndex = 31;
    d.stroke({{300, 100}});
    EXPECT_NEAR(d.rig.state.spinAngle, 1000.02, 1e-9);
    // Brushes 33 and 44 leave it alone.
    d.rig.state.brushIndex = 33;
    d.stroke({{300, 100}});
    d.rig.state.brushIndex = 44;
    d.stroke({{300, 100}});
    EXPECT_NEAR(d.rig.state.spinAngle, 1000.02, 1e-9);
}

TEST(FanBrushes, RaysAndSegmentsLieWhereTheAnglesPutThem)
{
    const Colour blue = rgb(0, 0, 255);
    // Brush 31's first ray after start-up is at 0.42: sine along x, cosine along y.
    Drive fan(31, 10);
    fan.colour(0, 0, 255);
    fan.stroke({{300, 100}});
    EXPECT_EQ(fan.at(463, 465), blue);
    EXPECT_EQ(fan.at(665, 263), kWhite);
    EXPECT_EQ(fan.at(724, 668), kWhite);

    // Brush 32 adds a fan from the mirrored point (1024 - 300, 768 - 100).
    Drive twin(32, 10);
    twin.colour(0, 0, 255);
    twin.stroke({{300, 100}});
    EXPECT_EQ(twin.at(463, 465), blue);
    EXPECT_EQ(twin.at(724, 668), blue);

    // At the screen's centre the two fans of brush 32 coincide with brush 31's.
    Drive a(31, 10), b(32, 10);
    a.stroke({{512, 384}});
    b.stroke({{512, 384}});
    EXPECT_EQ(a.rig.canvas.image(), b.rig.canvas.image());

    // Brush 35's twelfth segment runs from (103.6, 250.0) to (1098.9, 146.8).
    Drive vortex(35, 10);
    vortex.colour(0, 0, 255);
    vortex.stroke({{100, 100}});
    EXPECT_EQ(vortex.at(601, 198), blue);
    EXPECT_EQ(vortex.at(198, 601), kWhite);

    // Brush 36: 250 pixels either side of the pointer at 6.28 / 12 + 0.05.
    Drive spin(36, 10);
    spin.colour(0, 0, 255);
    spin.stroke({{500, 400}});
    EXPECT_EQ(spin.at(668, 508), blue);
    EXPECT_EQ(spin.at(332, 292), blue);
    EXPECT_EQ(spin.at(727, 546), kWhite);
    EXPECT_EQ(spin.at(508, 668), kWhite);
}
