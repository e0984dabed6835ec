// SPDX-License-Identifier: GPL-3.0-or-later
// Background and foreground commands rebuild the drawing from the background
// colour and picture, and leave the drawing state alone.
#include "files/LayerCommands.h"
#include "unit/files/FilesFixture.h"

namespace pemma::test {
namespace {

class LayerTest : public FilesTest {
protected:
    void SetUp() override
    {
        rig.canvas.setPicture(pattern(50, 40));
        rig.canvas.setDrawWidth(5);
        rig.canvas.line(10, 10, 400, 300, 0x00FF00); // crosses the picture
        rig.state.backgroundColour = 0x123456;
        rig.state.pictureWidth = 1323;
        rig.state.pictureHeight = 1058;
        before = rig.state;
    }
    void expectStateUntouched()
    {
        EXPECT_EQ(rig.state.backgroundColour, 0x123456);
        EXPECT_EQ(rig.state.pictureWidth, before.pictureWidth);
        EXPECT_EQ(rig.state.pictureHeight, before.pictureHeight);
        EXPECT_EQ(rig.state.red, before.red);
    }
    Colour pictureAt(int x, int y) const { return Canvas::fromRgb(rig.canvas.picture().pixel(x, y)); }

    DrawingState before;
};

TEST_F(LayerTest, BackgroundCommandsKeepThePictureEraseThePaintingAndSurroundItWithTheColour)
{
    struct Case {
        const char* name;
        void (*run)(Canvas&, const ColourSliders&);
        Colour expected;
    };
    const Case cases[] = {
        {"black", [](Canvas& c, const ColourSliders&) { black_Click(c); }, 0x000000},
        {"clback", [](Canvas& c, const ColourSliders&) { clback_Click(c); }, 0xFFFFFF},
        {"chback", [](Canvas& c, const ColourSliders& s) { chback_Click(c, s); }, 50 * 65536 + 100 * 256 + 200},
    };
    rig.sliders.setPosition(1, 200);
    rig.sliders.setPosition(2, 100);
    rig.sliders.setPosition(3, 50);
    rig.state.red = rig.state.green = rig.state.blue = 0; // the swatch, not the components, decides
    before = rig.state;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.canvas.line(10, 10, 400, 300, 0x00FF00);
        c.run(rig.canvas, rig.sliders);
        EXPECT_EQ(rig.canvas.backColor(), c.expected);
        EXPECT_EQ(rig.canvas.pixel(20, 20), pictureAt(20, 20));   // picture over the stroke
        EXPECT_EQ(rig.canvas.pixel(200, 150), c.expected);        // stroke gone
        EXPECT_EQ(rig.canvas.pixel(1023, 767), c.expected);
        EXPECT_EQ(rig.canvas.picture().size(), QSize(50, 40));
        expectStateUntouched();
    }
}

TEST_F(LayerTest, ClearingTheForegroundRemovesPictureAndPaintingButKeepsThePictureSize)
{
    black_Click(rig.canvas);
    rig.canvas.line(10, 10, 400, 300, 0x00FF00);
    clsc_Click(rig.canvas);
    EXPECT_TRUE(rig.canvas.picture().isNull());
    EXPECT_EQ(rig.canvas.backColor(), 0x000000);
    for (auto [x, y] : {std::pair{0, 0}, {20, 20}, {200, 150}, {1023, 767}})
        EXPECT_EQ(rig.canvas.pixel(x, y), 0x000000) << x << "," << y;
    expectStateUntouched();

    // Without a picture it still erases the painting.
    rig.canvas.line(10, 10, 400, 300, 0x00FF00);
    clsc_Click(rig.canvas);
    EXPECT_EQ(rig.canvas.pixel(200, 150), 0x000000);
}

} // namespace
} // namespace pemma::test
