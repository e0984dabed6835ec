// SPDX-License-Identifier: GPL-3.0-or-later
// The tiles the history takes as written are all those a shape really
// writes, however far it reaches. Each shape is painted with the pen's edge
// at every offset from a tile's edge, across and along, in several pen
// widths, and undone: every pixel must come back. Random shapes rarely put
// an edge exactly where a tile's bound is a pixel short, so the offsets are
// swept instead.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "canvas/Canvas.h"
#include "history/History.h"
#include "state/DrawingState.h"

using namespace pemma;

TEST(HistoryMarks, UndoGivesBackEveryPixelOfShapesAtEveryOffsetFromATileEdge)
{
    constexpr int kTile = History::kTileSize;
    Canvas canvas(7 * kTile, 7 * kTile);
    DrawingState state;
    History history(canvas, state);
    const QImage blank = canvas.image().copy();

    struct Shape {
        std::string name;
        std::function<void(int x, int y)> paint;
    };
    std::vector<Shape> shapes;
    // Short moves lie within a tile or two each way; long ones cross the
    // drawing at many slopes, level and upright included, either way round.
    for (QPoint d : {QPoint(6, 0), QPoint(0, 6), QPoint(5, 5), QPoint(-4, 7), QPoint(7, -3), QPoint(1, 1)})
        shapes.push_back({"short segment by " + std::to_string(d.x()) + "," + std::to_string(d.y()),
                          [&canvas, d](int x, int y) { canvas.line(x, y, x + d.x(), y + d.y()); }});
    for (QPoint d : {QPoint(90, 0), QPoint(90, 7), QPoint(90, 33), QPoint(90, 89), QPoint(90, 90), QPoint(11, 90),
                     QPoint(0, 90), QPoint(-90, 31), QPoint(-23, 90)})
        shapes.push_back({"long segment by " + std::to_string(d.x()) + "," + std::to_string(d.y()),
                          [&canvas, d](int x, int y) { canvas.line(x - d.x(), y - d.y(), x + d.x(), y + d.y()); }});
    // Segments reaching millions of pixels off the drawing, which the
    // rasteriser may paint pixels off their line.
    for (QPoint d : {QPoint(-806239, -8353810), QPoint(5000000, 1234567), QPoint(-3000000, 2999990),
                     QPoint(271828, -3141592), QPoint(-9000000, -77)})
        shapes.push_back({"far segment to " + std::to_string(d.x()) + "," + std::to_string(d.y()),
                          [&canvas, d](int x, int y) { canvas.line(x, y, x + d.x(), y + d.y()); }});
    shapes.push_back({"frame", [&canvas](int x, int y) {
                          canvas.setFillStyle(Canvas::Transparent);
                          canvas.box(x - 70, y - 50, x + 45, y + 60);
                      }});
    shapes.push_back({"small box", [&canvas](int x, int y) {
                          canvas.setFillStyle(Canvas::Transparent);
                          canvas.box(x, y, x + 9, y + 4);
                      }});
    shapes.push_back({"filled box", [&canvas](int x, int y) {
                          canvas.setFillStyle(Canvas::Solid);
                          canvas.box(x - 20, y - 8, x + 21, y + 30);
                      }});
    shapes.push_back({"dot", [&canvas](int x, int y) { canvas.pset(x, y, kBlack); }});

    int painted = 0;
    std::vector<std::string> missed;
    for (int width : {1, 2, 3, 6, 11, 20}) {
        canvas.setDrawWidth(width);
        for (int offset = 0; offset < kTile; ++offset) {
            // Near the middle of the drawing; the offset across runs through
            // every value too, in another order than along.
            const int x = 3 * kTile + offset, y = 3 * kTile + (offset * 13 + 7) % kTile;
            for (const Shape& shape : shapes) {
                history.beginStep();
                shape.paint(x, y);
                history.endStep();
                if (canvas.image() == blank)
                    continue;
                ++painted;
                history.undo();
                if (canvas.image() == blank)
                    continue;
                missed.push_back(shape.name + ", pen " + std::to_string(width) + ", at " + std::to_string(x) + ","
                                 + std::to_string(y));
                canvas.image() = blank.copy();
                history.restart();
            }
        }
    }
    // Every shape painted at every offset.
    EXPECT_EQ(painted, 6 * kTile * static_cast<int>(shapes.size()));
    EXPECT_TRUE(missed.empty()) << missed.size() << " of " << painted << " shapes left pixels after undo, first "
                                << missed.front();
}
