// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <vector>

namespace pemma {

// What the window shows of the drawing, cell by cell, so that a move that
// rewrites a wide area but changes few of its pixels (a large brush painting
// black over its own black) repaints only what changed: copying the rest into
// the window and on to the display would take longer than the move itself.
//
// The drawing is cut into cells of 32 x 16 pixels. For each cell the record
// holds the one colour the window shows there, or nothing known (a cell of
// several colours, or one painted by other means).
class ShownCells {
public:
    static constexpr int kCellWidth = 32;
    static constexpr int kCellHeight = 16;

    // Past this many rectangles a repaint paints over the narrowest gaps, or
    // joins neighbouring strips: the display handles each rectangle of a
    // repaint on its own, against all the others.
    static constexpr int kMostRects = 256;

    // For a window showing the drawing's pixels (0, 0) to (width - 1,
    // height - 1); nothing is known yet.
    ShownCells(int width, int height, int mostRects = kMostRects);

    // The window painted these pixels by other means.
    void forget(const QRect& area);
    void forgetAll();

    // The part of `area` to repaint after the drawing changed within it:
    // whole cells (cut at the edges of what is shown), covering every pixel
    // whose colour may differ from what the window shows. A cell showing one
    // colour is checked against the drawing alone. A cell not known is
    // compared with `shown` when given (the window's own picture of what it
    // shows, with the drawing's pixel (0, 0) at `offset`), and is repainted
    // otherwise. The record then describes the window as it will be once the
    // result is repainted.
    QRegion changed(const QImage& drawing, const QRect& area, const QImage* shown = nullptr, QPoint offset = {});

private:
    int mostRects_;
    int columns_;
    QRect bounds_;
    // 0 when nothing is known (an opaque colour is never 0).
    std::vector<QRgb> cells_;
};

} // namespace pemma
