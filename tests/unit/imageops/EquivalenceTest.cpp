// SPDX-License-Identifier: GPL-3.0-or-later
// The fast runners against the plain point-by-point walk: every command, on
// random pictures of awkward sizes, must leave the same pixels, the same
// picture size, last colour read, pen width and drawing position.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>

#include "imageops/Operations.h"
#include "imageops/Parallel.h"
#include "reference/ReferenceWalk.h"

using namespace pemma;

namespace {

struct Scenario {
    const char* name;
    int canvasW, canvasH;
    double tppX, tppY;         // twips per pixel
    double screenWpx, screenHpx; // screen size in pixels
    double pictureW, pictureH;   // in twips
};

void PrintTo(const Scenario& sc, std::ostream* os) { *os << sc.name; }

struct Sides {
    DrawingState state;
    std::unique_ptr<Canvas> canvas;
};

QImage randomImage(int w, int h, std::mt19937& rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    std::uniform_int_distribution<unsigned> colour(0, 0xFFFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, 0xFF000000u | colour(rng));
    return img;
}

Sides makeSetup(const Scenario& sc, const QImage& picture, const QImage& background, Colour backColour)
{
    Sides s;
    s.state.twipsPerPixelX = sc.tppX;
    s.state.twipsPerPixelY = sc.tppY;
    s.state.screenWidthTwips = sc.screenWpx * sc.tppX;
    s.state.screenHeightTwips = sc.screenHpx * sc.tppY;
    s.state.pictureWidth = sc.pictureW;
    s.state.pictureHeight = sc.pictureH;
    s.state.pixelColour = 12345;
    s.canvas = std::make_unique<Canvas>(sc.canvasW, sc.canvasH);
    s.canvas->setBackColor(backColour);
    s.canvas->setPicture(background); // shows again wherever a command clears
    s.canvas->image() = picture.copy();
    s.canvas->setDrawWidth(3);
    s.canvas->pset(-7.5, -3.25, kInvalidColour); // a known drawing position
    return s;
}

// Row y of two drawings of the same size holds the same colours.
bool rowsEqual(const Canvas& a, const Canvas& b, int y)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    const QRgb* ra = reinterpret_cast<const QRgb*>(a.image().constScanLine(y));
    const QRgb* rb = reinterpret_cast<const QRgb*>(b.image().constScanLine(y));
    return std::equal(ra, ra + a.width(), rb,
                      [](QRgb p, QRgb q) { return Canvas::fromRgb(p) == Canvas::fromRgb(q); });
}

// Empty when equal, else the first difference.
std::string difference(const Sides& fast, const Sides& ref)
{
    std::ostringstream out;
    const Canvas& a = *fast.canvas;
    const Canvas& b = *ref.canvas;
    for (int y = 0; y < a.height(); ++y) {
        if (rowsEqual(a, b, y))
            continue;
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                out << "pixel (" << x << ", " << y << "): fast " << std::hex << a.pixel(x, y) << " reference "
                    << b.pixel(x, y);
                return out.str();
            }
    }
    if (fast.state.pictureWidth != ref.state.pictureWidth || fast.state.pictureHeight != ref.state.pictureHeight)
        out << "picture size " << fast.state.pictureWidth << "x" << fast.state.pictureHeight << " vs "
            << ref.state.pictureWidth << "x" << ref.state.pictureHeight;
    else if (fast.state.pixelColour != ref.state.pixelColour)
        out << "pixelColour " << fast.state.pixelColour << " vs " << ref.state.pixelColour;
    else if (a.drawWidth() != b.drawWidth())
        out << "pen width " << a.drawWidth() << " vs " << b.drawWidth();
    else if (a.currentX() != b.currentX() || a.currentY() != b.currentY())
        out << "position (" << a.currentX() << ", " << a.currentY() << ") vs (" << b.currentX() << ", "
            << b.currentY() << ")";
    return out.str();
}

const Scenario kScenarios[] = {
    // Fractional region inside the drawing.
    {"fractional", 61, 47, 15, 15, 80, 60, 40.7 * 15, 30.2 * 15},
    // Region larger than the drawing, halves in W and H.
    {"beyond_halves", 23, 17, 15, 15, 40, 30, 37.5 * 15, 29.5 * 15},
    // A single point.
    {"one_point", 19, 13, 15, 15, 19, 13, 15, 15},
    // Only the height unset: the screen size, here larger than the drawing.
    {"default_size", 29, 21, 15, 15, 33.4, 24.6, 300, 0},
    // Unequal twips per pixel.
    {"unequal_twips", 44, 31, 15, 12, 44, 31, 33.3 * 15, 20.25 * 12},
    // Less than one pixel wide: nothing is visited.
    {"too_narrow", 16, 12, 15, 15, 16, 12, 10, 150},
    // Far wider than the drawing; the enlarging cap binds.
    {"far_beyond", 30, 20, 15, 15, 1500, 60, 1000.5 * 15, 35 * 15},
    // The drawing a single pixel.
    {"tiny_drawing", 1, 1, 15, 15, 4, 3, 3 * 15, 2.5 * 15},
    // A drawing one pixel wide: no column can be read.
    {"one_column", 1, 5, 15, 15, 1, 5, 0, 0},
    {"one_column_region", 1, 5, 15, 15, 1, 5, 15, 3 * 15},
    // A screen larger than the drawing: the enlarged area ends at its
    // bottom edge but not its right one.
    {"screen_beyond_drawing", 40, 12, 15, 15, 60, 30, 0, 0},
    // Region exactly the drawing's size: the last row and column read -1.
    {"exact_edge", 27, 18, 15, 15, 27, 18, 27 * 15, 18 * 15},
};

// A 4K screen before any picture has been opened: every command once (the
// point walk is too slow at this size for the chains).
const Scenario kScreen4k{"screen_4k", 3840, 2160, 15, 15, 3840, 2160, 0, 0};

class Equivalence : public ::testing::TestWithParam<Scenario> {};

// Every command on the scenario's picture, the fast runner once with the
// work split as the machine would and once over more threads than the
// machine may have (an odd number of them), both against the point walk.
void expectEveryCommandMatches(const Scenario& sc)
{
    std::mt19937 rng(0xC0FFEE);
    const QImage picture = randomImage(sc.canvasW, sc.canvasH, rng);
    const QImage background = randomImage(std::max(1, sc.canvasW / 2), std::max(1, sc.canvasH / 3), rng);
    for (int item = 1; item <= kOperationCount; ++item) {
        Sides ref = makeSetup(sc, picture, background, 0x336699);
        OperationContext rc{ref.state, *ref.canvas, nullptr};
        imageops::runReferenceOperation(item, rc);
        for (int workers : {0, 3}) {
            imageops::setWorkerCount(workers);
            Sides fast = makeSetup(sc, picture, background, 0x336699);
            OperationContext fc{fast.state, *fast.canvas, nullptr};
            runOperation(item, fc);
            imageops::setWorkerCount(0);
            EXPECT_EQ(difference(fast, ref), "")
                << "g" << item << " " << operationTable()[item - 1].caption << ", threads set to " << workers;
        }
    }
}

TEST_P(Equivalence, EveryCommandMatchesThePointWalk)
{
    expectEveryCommandMatches(GetParam());
}

TEST(EquivalenceAtScreenSize, EveryCommandMatchesThePointWalk)
{
    expectEveryCommandMatches(kScreen4k);
}

// Chains of commands carry the picture size, position and picture from one
// command to the next.
TEST_P(Equivalence, RandomChainsMatchThePointWalk)
{
    const Scenario& sc = GetParam();
    std::mt19937 rng(4242);
    const QImage picture = randomImage(sc.canvasW, sc.canvasH, rng);
    const QImage background = randomImage(3, 2, rng);
    Sides fast = makeSetup(sc, picture, background, 0xABCDEF);
    Sides ref = makeSetup(sc, picture, background, 0xABCDEF);
    OperationContext fc{fast.state, *fast.canvas, nullptr};
    OperationContext rc{ref.state, *ref.canvas, nullptr};
    std::uniform_int_distribution<int> pick(1, kOperationCount);
    std::string chain;
    for (int step = 0; step < 25; ++step) {
        const int item = pick(rng);
        chain += " g" + std::to_string(item);
        runOperation(item, fc);
        imageops::runReferenceOperation(item, rc);
        const std::string diff = difference(fast, ref);
        ASSERT_EQ(diff, "") << "after" << chain;
    }
}

INSTANTIATE_TEST_SUITE_P(AwkwardSizes, Equivalence, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
