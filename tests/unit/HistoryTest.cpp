// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history over real strokes and commands on a small canvas: every
// kind of step goes back and comes again pixel for pixel, the limits drop
// the oldest steps, and a new step ends what could be redone.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "files/FileCommands.h"
#include "files/LayerCommands.h"
#include "history/History.h"
#include "imageops/Operations.h"
#include "paint/StrokeFrame.h"
#include "reference/BoundaryFill.h"
#include "support/StrokeDriver.h"
#include "unit/files/ScriptedDialogs.h"

using namespace pemma;

namespace {

// What undo must give back.
struct Look {
    QImage image;
    Colour back;
    QImage picture;
    double pictureWidth, pictureHeight;
    bool operator==(const Look&) const = default;
};

class NoWindow final : public FileCommandWindow {
public:
    void refitToScreen() override {}
    int scaleWidth() const override { return 320; }
    int scaleHeight() const override { return 240; }
};

// A 320 x 240 screen and canvas, driven as the window drives them.
struct Painter {
    explicit Painter(History::Limits limits = {}) : rig(320, 240, limits, &random)
    {
        rig.state.screenWidthTwips = 320 * 15;
        rig.state.screenHeightTwips = 240 * 15;
    }
    void press(double x, double y) { rig.session.press({x, y}); }
    void move(double x, double y, bool held = true) { rig.session.move({x, y}, held); }
    void release() { rig.session.release({0, 0}); }
    void stroke(int brush, double x0, double y0, double x1, double y1, int moves = 6)
    {
        rig.state.brushIndex = brush;
        press(x0, y0);
        for (int i = 0; i <= moves; ++i)
            move(x0 + (x1 - x0) * i / moves, y0 + (y1 - y0) * i / moves);
        release();
        for (int i = 0; i < 20 && rig.state.isDrawing; ++i) // brush 1 fades out
            move(x1 + i, y1, false);
    }
    // A command that says whether it succeeded.
    void command(const std::function<bool()>& run)
    {
        rig.session.runStep([&] { return run() ? History::Keep::Always : History::Keep::Never; });
    }
    void operation(int item) { rig.session.operation(item); }
    Look look() const
    {
        return {rig.canvas.image().copy(), rig.canvas.backColor(), rig.canvas.picture(), rig.state.pictureWidth,
                rig.state.pictureHeight};
    }

    ProgramRandom random;
    test::Rig rig;
    History& history = rig.session.history();
};

} // namespace

TEST(History, EveryKindOfStepIsUndoneAndRedonePixelForPixel)
{
    QTemporaryDir dir;
    QImage photo(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
    const QString photoFile = dir.filePath("photo.png");
    ASSERT_TRUE(photo.save(photoFile));

    Painter p;
    test::ScriptedDialogs dialogs;
    NoWindow window;
    FileCommandContext files{p.rig.state, p.rig.canvas, dialogs, window};

    std::vector<std::pair<std::string, std::function<void()>>> steps{
        {"open", [&] { p.command([&] { return openPicture(files, photoFile); }); }},
        {"brush 0", [&] { p.stroke(0, 10, 10, 300, 200); }},
        {"brush 1 fading", [&] { p.stroke(1, 300, 20, 40, 220, 3); }},
        {"watercolour", [&] { p.stroke(28, 50, 200, 250, 40); }},
        {"spray", [&] { p.stroke(5, 100, 100, 160, 120); }},
        {"boxes", [&] { p.stroke(12, 200, 100, 260, 180); }},
        {"mosaic", [&] { p.stroke(39, 10, 120, 300, 140); }},
        {"circles", [&] { p.stroke(44, 160, 120, 170, 125, 2); }},
        {"fill", [&] { p.stroke(30, 310, 230, 311, 230, 1); }},
        {"背景変更", [&] { p.command([&] { chback_Click(p.rig.canvas, p.rig.sliders); return true; }); }},
        {"brush 0 again", [&] { p.stroke(0, 5, 230, 315, 5); }},
        {"背景黒", [&] { p.command([&] { black_Click(p.rig.canvas); return true; }); }},
        {"stroke", [&] { p.stroke(0, 100, 5, 120, 235); }},
        {"前景消去", [&] { p.command([&] { clsc_Click(p.rig.canvas); return true; }); }},
        {"背景白", [&] { p.command([&] { clback_Click(p.rig.canvas); return true; }); }},
        {"last stroke", [&] { p.stroke(0, 30, 30, 290, 30); }},
        {"reopen", [&] { p.command([&] { return openPicture(files, photoFile); }); }},
    };
    for (int item = 1; item <= kOperationCount; ++item)
        steps.emplace_back(std::string("g").append(std::to_string(item)), [&p, item] { p.operation(item); });

    std::vector<Look> looks{p.look()};
    for (auto& [name, run] : steps) {
        run();
        EXPECT_FALSE(p.history.stepOpen()) << name;
        ASSERT_EQ(p.history.undoCount(), looks.size()) << name << " is not one step";
        looks.push_back(p.look());
        ASSERT_FALSE(looks.back() == looks[looks.size() - 2]) << name << " changed nothing";
    }
    // The enlarging, shrinking and turning operations changed the picture size.
    EXPECT_NE(looks[16].pictureWidth, looks.back().pictureWidth);

    for (size_t k = steps.size(); k-- > 0;) {
        ASSERT_TRUE(p.history.undo());
        ASSERT_TRUE(p.look() == looks[k]) << "undoing " << steps[k].first;
    }
    EXPECT_FALSE(p.history.undo());
    for (size_t k = 1; k <= steps.size(); ++k) {
        ASSERT_TRUE(p.history.redo());
        ASSERT_TRUE(p.look() == looks[k]) << "redoing " << steps[k - 1].first;
    }
    EXPECT_FALSE(p.history.redo());
    EXPECT_TRUE(dialogs.errors.empty());
}

// A blank drawing is not copied for the history; one that anything wrote to
// before the first step, by a primitive or through its pixels, must be.
TEST(History, TheFirstStepGivesBackADrawingThatIsNotBlank)
{
    const std::vector<std::pair<std::string, std::function<void(Canvas&)>>> writes{
        {"pixels", [](Canvas& c) { c.image().setPixel(150, 100, qRgb(255, 0, 0)); }},
        {"primitive", [](Canvas& c) { c.pset(150, 100, 0x0000FF); }},
        {"other colour", [](Canvas& c) { c.setBackColor(0x00FF00); }},
        {"blank again", [](Canvas& c) { c.pset(150, 100, 0x0000FF); c.cls(); }},
    };
    for (const auto& [name, write] : writes) {
        Painter p;
        write(p.rig.canvas);
        const Look before = p.look();
        p.stroke(0, 100, 100, 200, 100);
        ASSERT_TRUE(p.history.undo()) << name;
        EXPECT_TRUE(p.look() == before) << name;
    }
}

TEST(History, ANewStepEndsRedoButAStrokeThatPaintsNothingIsNoStep)
{
    Painter p;
    for (int i = 0; i < 3; ++i)
        p.stroke(0, 20, 20 + 50 * i, 300, 30 + 50 * i);
    const Look two = [&] {
        p.history.undo();
        return p.look();
    }();
    p.history.undo();
    EXPECT_EQ(p.history.redoCount(), 2u);

    // A click without a move paints nothing with brush 0; a failed open is
    // no step either.
    p.stroke(0, 50, 50, 50, 50, 0);
    p.command([] { return false; });
    EXPECT_EQ(p.history.undoCount(), 1u);
    ASSERT_TRUE(p.history.redo());
    EXPECT_TRUE(p.look() == two);

    p.stroke(0, 10, 200, 200, 10);
    EXPECT_EQ(p.history.redoCount(), 0u);
    EXPECT_FALSE(p.history.redo());
    EXPECT_EQ(p.history.undoCount(), 3u);

    // A write outside any step ends redo too, and undoing a later step over
    // it gives it back.
    p.history.undo();
    p.rig.canvas.setDrawWidth(5);
    p.rig.canvas.pset(150, 100, 0x0000FF);
    EXPECT_EQ(p.history.redoCount(), 0u);
    const Look written = p.look();
    p.stroke(0, 100, 100, 200, 100);
    p.history.undo();
    EXPECT_TRUE(p.look() == written);

    // A command is a step even when it changes nothing.
    p.command([&] { clback_Click(p.rig.canvas); return true; });
    const Look white = p.look();
    p.command([&] { clback_Click(p.rig.canvas); return true; });
    EXPECT_EQ(p.history.undoCount(), 4u);
    p.history.undo();
    EXPECT_TRUE(p.look() == white);
}

TEST(History, TheStepAndByteLimitsDropTheOldestSteps)
{
    // Up to 5 steps: after 8 strokes the first three are gone.
    {
        Painter p(History::Limits{5, std::size_t(1) << 30});
        std::vector<Look> looks{p.look()};
        for (int i = 0; i < 8; ++i) {
            p.stroke(0, 10, 10 + 25 * i, 310, 20 + 25 * i);
            looks.push_back(p.look());
        }
        EXPECT_EQ(p.history.undoCount(), 5u);
        while (p.history.undo()) {
        }
        EXPECT_TRUE(p.look() == looks[3]);
    }
    // Bytes: operations on a picture where every pixel differs are held
    // pixel for pixel (300 KB each), beside the history's own copy of the
    // drawing (300 KB); 1.4 MB keeps the last three.
    {
        const std::size_t limit = 1400 * 1024;
        Painter p(History::Limits{100, limit});
        QImage noise(320, 240, QImage::Format_RGB32);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                noise.setPixel(x, y, qRgb(x * 7, y * 13, x ^ y));
        p.command([&] {
            p.rig.canvas.setPicture(noise);
            return true;
        });
        std::vector<Look> looks{p.look()};
        for (int i = 0; i < 6; ++i) {
            p.operation(i % 2 ? 24 : 30); // invert, mirror
            looks.push_back(p.look());
            EXPECT_LE(p.history.bytes(), limit);
        }
        EXPECT_EQ(p.history.undoCount(), 3u);
        while (p.history.undo())
            EXPECT_LE(p.history.bytes(), limit);
        EXPECT_TRUE(p.look() == looks[3]);
        EXPECT_EQ(p.history.redoCount(), 3u);
    }
}

// Undo gives back only the tiles the canvas said it would write: a pixel
// changed in a tile it did not name stays changed.
TEST(History, UndoGivesBackEveryPixelEachPrimitiveWrote)
{
    Canvas canvas(300, 200);
    DrawingState state;
    History history(canvas, state);
    ProgramRandom random;
    auto coord = [&](double span) { return random.next() * (span + 80) - 40; };
    for (int i = 0; i < 600; ++i) {
        const QImage before = canvas.image().copy();
        history.beginStep();
        canvas.setDrawWidth(1 + random.next() * (i % 4 == 0 ? 60 : 9));
        canvas.setForeColor(static_cast<Colour>(random.next() * 0xFFFFFF));
        canvas.setFillStyle(i % 3 ? Canvas::Solid : Canvas::Transparent);
        canvas.setFillColor(static_cast<Colour>(random.next() * 0xFFFFFF));
        switch (i % 6) {
        case 0: canvas.line(coord(300), coord(200), coord(300), coord(200)); break;
        case 1: canvas.box(coord(300), coord(200), coord(300), coord(200)); break;
        case 2: canvas.circle(coord(300), coord(200), random.next() * 80); break;
        case 3: canvas.pset(coord(300), coord(200), canvas.foreColor()); break;
        case 4: reference::boundaryFill(canvas, static_cast<int>(random.next() * 300), static_cast<int>(random.next() * 200),
                                 canvas.foreColor()); break;
        case 5: // nearly level or upright, and reaching far off the drawing
            const double x = coord(300), y = coord(200), run = coord(300) * 40;
            if (i % 4 == 1)
                canvas.line(x, y, x + run, y + run / 37);
            else
                canvas.line(x, y, x - run / 29, y + run);
            break;
        }
        history.endStep();
        if (canvas.image() == before)
            continue;
        const QImage after = canvas.image().copy();
        ASSERT_TRUE(history.undo());
        ASSERT_TRUE(canvas.image() == before) << "primitive " << i % 6 << ", step " << i;
        history.redo();
        ASSERT_TRUE(canvas.image() == after);
    }
}
