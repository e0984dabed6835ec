// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands do, case by case: the worked colours, the frame they
// share, and the geometric ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imageops/Operations.h"
#include "state/Colour.h"

using namespace pemma;

namespace {

Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

// A w x h screen at 15 twips per pixel, the drawing the same size.
struct Board {
    DrawingState state;
    Canvas canvas;
    OperationContext ctx{state, canvas, nullptr};
    Board(int w, int h) : canvas(w, h)
    {
        state.screenWidthTwips = w * 15;
        state.screenHeightTwips = h * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
    }
    void setRegion(double wPx, double hPx)
    {
        state.pictureWidth = wPx * 15;
        state.pictureHeight = hPx * 15;
    }
    void fill(Colour c) { canvas.image().fill(Canvas::toRgb(c)); }
    // Every pixel a different colour, made from its position.
    void numberPixels()
    {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                canvas.image().setPixel(x, y, Canvas::toRgb(rgb(x, y, 7)));
    }
    Colour at(int x, int y) const { return canvas.pixel(x, y); }
    void run(int item) { runOperation(item, ctx); }
};

int itemOf(const std::string& caption)
{
    for (const OperationEntry& e : operationTable())
        if (caption == e.caption)
            return e.item;
    ADD_FAILURE() << "no command " << caption;
    return 0;
}

struct Worked {
    const char* caption;
    Colour before, after;
};

TEST(ImageOperations, WorkedColours)
{
    const Worked cases[] = {
        {"白黒化1", rgb(10, 20, 31), rgb(20, 20, 20)},
        {"白黒化1", rgb(255, 255, 254), rgb(254, 254, 254)},
        {"水墨1", rgb(100, 100, 100), rgb(100, 100, 100)},
        {"水墨1", rgb(119, 119, 119), rgb(100, 100, 100)},
        {"水墨2", rgb(119, 119, 119), rgb(80, 80, 80)},
        {"水墨2", rgb(255, 255, 255), rgb(240, 240, 240)},
        {"赤化1", rgb(100, 100, 100), rgb(138, 88, 88)},
        {"赤化1", rgb(0, 4, 12), rgb(63, 4, 10)}, // 3.5 -> 4, 10.5 -> 10
        {"赤化2", rgb(100, 100, 100), rgb(177, 75, 75)},
        {"緑化1", rgb(100, 100, 100), rgb(88, 138, 88)},
        {"緑化2", rgb(100, 100, 100), rgb(75, 177, 75)},
        {"青化1", rgb(100, 0, 0), rgb(88, 0, 63)},
        {"青化2", rgb(100, 100, 100), rgb(75, 75, 177)},
        {"黄化1", rgb(0, 0, 100), rgb(31, 31, 75)},
        {"黄化2", rgb(0, 0, 3), rgb(63, 63, 2)},
        {"ｾﾋﾟｱ化1", rgb(0, 0, 100), rgb(127, 63, 25)},
        {"ｾﾋﾟｱ化2", rgb(0, 0, 0), rgb(170, 85, 0)},
        {"ｾﾋﾟｱ化2", rgb(255, 255, 255), rgb(255, 255, 32)},
        {"非鮮明", rgb(200, 100, 0), rgb(150, 100, 50)},
        {"非鮮明", rgb(77, 77, 77), rgb(77, 77, 77)},
        {"鮮明", rgb(200, 100, 0), rgb(255, 100, 0)},
        {"鮮明", rgb(77, 77, 77), rgb(77, 77, 77)},
        {"色反転", rgb(10, 20, 30), rgb(245, 235, 225)},
        {"明1", rgb(128, 0, 255), rgb(160, 0, 255)},
        {"明2", rgb(0, 128, 255), rgb(0, 192, 255)},
        {"暗1", rgb(255, 0, 128), rgb(255, 0, 96)},
        {"暗2", rgb(128, 255, 0), rgb(64, 255, 0)},
    };
    for (const Worked& c : cases) {
        Board b(30, 25); // every sample of the stepped greys inside
        b.fill(c.before);
        b.run(itemOf(c.caption));
        EXPECT_EQ(b.at(3, 2), c.after) << c.caption << " of " << std::hex << c.before;
        if (std::string(c.caption).find("水墨") != std::string::npos)
            continue; // wide dots, reaching into column and row 0
        EXPECT_EQ(b.at(29, 24), c.after) << c.caption;
        // Column 0 and row 0 are never visited.
        EXPECT_EQ(b.at(0, 3), c.before) << c.caption;
        EXPECT_EQ(b.at(4, 0), c.before) << c.caption;
        EXPECT_EQ(b.canvas.drawWidth(), 1) << c.caption;
    }
}

TEST(ImageOperations, InvertTwiceGivesThePictureBack)
{
    Board b(30, 20);
    b.numberPixels();
    const QImage before = b.canvas.image().copy();
    b.setRegion(25.5, 17.2);
    b.run(itemOf("色反転"));
    EXPECT_EQ(b.at(3, 4), 0xFFFFFF - rgb(3, 4, 7));
    b.run(itemOf("色反転"));
    EXPECT_EQ(b.canvas.image(), before);
}

// A sample beyond the drawing reads -1: the greys paint it grey 169, the
// stepped greys 160, the dot commands nothing; wide dots reach back in.
TEST(ImageOperations, SamplesBeyondTheDrawing)
{
    Board grey(18, 5); // samples at x = 1, 11, 21; the last lies beyond
    grey.fill(rgb(30, 30, 30));
    grey.setRegion(21, 1);
    grey.run(itemOf("白黒化4"));
    EXPECT_EQ(grey.at(17, 1), rgb(169, 169, 169));
    EXPECT_EQ(grey.state.pixelColour, -1);
    EXPECT_EQ(grey.canvas.drawWidth(), 13);

    Board ink(18, 5);
    ink.fill(rgb(30, 30, 30));
    ink.setRegion(21, 1);
    ink.run(itemOf("水墨2"));
    EXPECT_EQ(ink.at(17, 1), rgb(160, 160, 160));

    Board dots(22, 10); // samples at x = 1, 9, 17, 25; 25 lies beyond
    dots.numberPixels();
    dots.setRegion(25, 1);
    dots.run(itemOf("ぼかし3"));
    EXPECT_EQ(dots.at(21, 1), rgb(17, 1, 7)); // still the dot of sample 17
    EXPECT_EQ(dots.canvas.drawWidth(), 8);
}

TEST(ImageOperations, WideGreySamplesEveryTenthPixel)
{
    Board b(40, 30);
    b.numberPixels();
    b.setRegion(40, 31); // the row of samples at y = 31 lies beyond the drawing
    b.run(itemOf("白黒化4"));
    const auto greyOf = [](int x, int y) {
        const int m = (x + y + 7) / 3;
        return rgb(m, m, m);
    };
    EXPECT_EQ(b.at(11, 21), greyOf(11, 21));
    EXPECT_EQ(b.at(14, 21), greyOf(11, 21)); // the dot reaches 6 pixels,
    EXPECT_EQ(b.at(16, 21), greyOf(21, 21)); // but the next column's dot comes later
    EXPECT_EQ(b.at(11, 24), greyOf(11, 21));
    EXPECT_EQ(b.at(11, 26), rgb(169, 169, 169)); // from the sample (11, 31) beyond
}

class Recorder final : public BusyPointer {
public:
    explicit Recorder(const Canvas& c) : canvas(c) {}
    void setBusy(bool busy) override { calls.push_back({busy, canvas.pixel(1, 1)}); }
    struct Call {
        bool busy;
        Colour pixelThen;
    };
    const Canvas& canvas;
    std::vector<Call> calls;
};

TEST(ImageOperationFrame, BusyPointerOnlyWhileTheCommandRuns)
{
    Board b(8, 6);
    b.fill(rgb(10, 20, 30));
    Recorder busy(b.canvas);
    b.ctx.busy = &busy;
    b.run(itemOf("色反転"));
    ASSERT_EQ(busy.calls.size(), 2u);
    EXPECT_TRUE(busy.calls[0].busy);
    EXPECT_EQ(busy.calls[0].pixelThen, rgb(10, 20, 30));
    EXPECT_FALSE(busy.calls[1].busy);
    EXPECT_EQ(busy.calls[1].pixelThen, rgb(245, 235, 225));
}

TEST(ImageOperationFrame, DefaultSizeWhenEitherIsZero)
{
    Board b(20, 10);
    b.state.pictureWidth = 60; // 4 pixels; only the height is unset
    b.fill(rgb(90, 90, 90));
    b.run(itemOf("赤化1"));
    EXPECT_EQ(b.state.pictureWidth, 20 * 15);
    EXPECT_EQ(b.state.pictureHeight, 10 * 15);
    EXPECT_NE(b.at(18, 8), rgb(90, 90, 90)); // the whole screen was covered
    EXPECT_EQ(b.state.pixelColour, -1);      // the last point (20, 10) lies beyond

    Board kept(20, 10);
    kept.setRegion(5, 4);
    kept.fill(rgb(90, 90, 90));
    kept.run(itemOf("赤化1"));
    EXPECT_EQ(kept.state.pictureWidth, 75);
    EXPECT_EQ(kept.at(6, 2), rgb(90, 90, 90));
    EXPECT_EQ(kept.state.pixelColour, rgb(90, 90, 90)); // read at (5, 4) before repainting
}

TEST(ImageOperationFrame, UnusableTwipsLeaveThePictureAlone)
{
    Board b(8, 6);
    b.fill(rgb(1, 2, 3));
    b.state.twipsPerPixelX = 0; // the region would be endless
    b.run(itemOf("白黒化1"));
    EXPECT_EQ(b.at(3, 3), rgb(1, 2, 3));
}

TEST(GeometricOperations, MirrorPlacesColumnsAndTwiceRestoresTheRegion)
{
    Board b(25, 12);
    b.canvas.setBackColor(rgb(0, 0, 200));
    b.numberPixels();
    b.setRegion(20, 9);
    b.run(itemOf("左右反転"));
    EXPECT_EQ(b.at(19, 3), rgb(1, 3, 7));
    EXPECT_EQ(b.at(0, 3), rgb(20, 3, 7));
    EXPECT_EQ(b.at(22, 3), rgb(0, 0, 200)); // cleared outside the region
    EXPECT_EQ(b.at(5, 0), rgb(0, 0, 200));
    b.run(itemOf("左右反転"));
    for (int y = 1; y <= 9; ++y)
        for (int x = 1; x <= 19; ++x)
            ASSERT_EQ(b.at(x, y), rgb(x, y, 7)) << x << "," << y;
    // Column 20 went to column 0, which the second mirror does not read.
    EXPECT_EQ(b.at(20, 4), rgb(0, 0, 200));
    EXPECT_EQ(b.state.pictureWidth, 20 * 15);
}

TEST(GeometricOperations, QuarterTurnsOfAFourByThreePicture)
{
    Board right(10, 8);
    right.canvas.setBackColor(rgb(0, 0, 200));
    right.numberPixels();
    right.setRegion(4, 3);
    right.run(itemOf("右90度回転"));
    EXPECT_EQ(right.at(2, 1), rgb(1, 1, 7));
    EXPECT_EQ(right.at(0, 4), rgb(4, 3, 7));
    EXPECT_EQ(right.at(1, 2), rgb(2, 2, 7));
    EXPECT_EQ(right.at(3, 1), rgb(0, 0, 200));
    EXPECT_EQ(right.at(0, 5), rgb(0, 0, 200));
    EXPECT_EQ(right.state.pictureWidth, 45);
    EXPECT_EQ(right.state.pictureHeight, 60);

    Board left(10, 8);
    left.canvas.setBackColor(rgb(0, 0, 200));
    left.numberPixels();
    left.setRegion(4, 3);
    left.run(itemOf("左90度回転"));
    EXPECT_EQ(left.at(1, 3), rgb(1, 1, 7));
    EXPECT_EQ(left.at(3, 0), rgb(4, 3, 7));
    EXPECT_EQ(left.at(0, 1), rgb(0, 0, 200));
    EXPECT_EQ(left.at(1, 4), rgb(0, 0, 200));
    EXPECT_EQ(left.state.pictureWidth, 45);
    EXPECT_EQ(left.state.pictureHeight, 60);

    Board half(10, 8);
    half.numberPixels();
    half.setRegion(4, 3);
    half.run(itemOf("180度回転"));
    EXPECT_EQ(half.at(3, 2), rgb(1, 1, 7));
    EXPECT_EQ(half.at(0, 0), rgb(4, 3, 7));
    EXPECT_EQ(half.state.pictureWidth, 60);
}

TEST(GeometricOperations, EnlargeAveragesWithHalvesToEven)
{
    Board b(12, 8);
    b.fill(rgb(9, 9, 9));
    b.canvas.image().setPixel(1, 1, Canvas::toRgb(rgb(0, 0, 0)));
    b.canvas.image().setPixel(2, 1, Canvas::toRgb(rgb(1, 0, 0)));
    b.canvas.image().setPixel(3, 1, Canvas::toRgb(rgb(2, 0, 0)));
    b.setRegion(3, 1);
    b.run(itemOf("拡大2"));
    EXPECT_EQ(b.at(2, 2), rgb(0, 0, 0));
    EXPECT_EQ(b.at(3, 2), rgb(0, 0, 0)); // (0 + 1) / 2 = 0.5 -> 0
    EXPECT_EQ(b.at(4, 2), rgb(1, 0, 0));
    EXPECT_EQ(b.at(5, 2), rgb(2, 0, 0)); // (1 + 2) / 2 = 1.5 -> 2
    EXPECT_EQ(b.at(2, 3), rgb(4, 4, 4)); // with the pixel below: 4.5 -> 4
    EXPECT_EQ(b.at(0, 0), rgb(9, 9, 9)); // painted over, not cleared
    EXPECT_EQ(b.state.pictureWidth, 90);
    EXPECT_EQ(b.state.pixelColour, rgb(2, 0, 0)); // the last centre pixel
}

TEST(GeometricOperations, EnlargeCapsAtHalfTheScreen)
{
    Board b(16, 10);
    b.numberPixels();
    b.run(itemOf("拡大1")); // unset: the whole screen, capped to 8 x 5
    EXPECT_EQ(b.state.pictureWidth, 16 * 15);
    EXPECT_EQ(b.state.pictureHeight, 10 * 15);
    for (const auto& [x, y] : {std::pair{2, 2}, {3, 2}, {2, 3}, {3, 3}})
        EXPECT_EQ(b.at(x, y), rgb(1, 1, 7));
    EXPECT_EQ(b.at(15, 9), rgb(7, 4, 7));
    EXPECT_EQ(b.at(1, 5), rgb(1, 5, 7)); // columns 0 and 1 keep the old picture
}

TEST(GeometricOperations, ShrinkTwice)
{
    Board b(20, 16);
    b.numberPixels();
    b.setRegion(16, 12);
    b.run(itemOf("縮小"));
    EXPECT_EQ(b.state.pictureWidth, 120);
    EXPECT_EQ(b.state.pictureHeight, 90);
    EXPECT_EQ(b.at(1, 1), rgb(2, 2, 7));   // only source 2 lands on 1
    EXPECT_EQ(b.at(2, 2), rgb(5, 5, 7));   // 3, 4 and 5 land on 2; the last stays
    EXPECT_EQ(b.at(0, 0), rgb(1, 1, 7));   // 1 / 2 = 0.5 lands on 0
    EXPECT_EQ(b.at(9, 5), rgb(255, 255, 255));
    EXPECT_EQ(b.at(16, 12), rgb(255, 255, 255));
    EXPECT_EQ(b.at(17, 5), rgb(17, 5, 7)); // outside the region
    b.run(itemOf("縮小"));
    EXPECT_EQ(b.state.pictureWidth, 60);
    EXPECT_EQ(b.at(1, 1), rgb(5, 5, 7));
    EXPECT_EQ(b.at(2, 2), rgb(10, 10, 7));
    EXPECT_EQ(b.at(5, 3), rgb(255, 255, 255));
    EXPECT_EQ(b.at(4, 2), rgb(16, 10, 7));
}

} // namespace
