// SPDX-License-Identifier: GPL-3.0-or-later
// The window repaints only what the cell record reports; after every paint
// it must show exactly the drawing.
#include <gtest/gtest.h>

#include <QPainter>
#include <random>

#include "canvas/ShownCells.h"

using namespace pemma;

namespace {

// Random drawing on a picture whose width and height are not whole cells,
// large enough for the check to be shared with the helper thread, with more
// strips than a repaint may have rectangles: fills in a few
// colours (whole cells of one colour, painted again in the same colour),
// outlines, single pixels and pixels scattered all over. The window's picture is painted late, after up
// to three changes, as a window paints after several events; it holds the
// drawing at an offset, as the window's backing store does, or is not given.
// Now and then the window paints an area by other means and forgets it.
TEST(ShownCells, AWindowRepaintingWhatIsReportedShowsTheDrawing)
{
    constexpr int kW = 333, kH = 1650;
    // Fewer rectangles than strips, so that a repaint of scattered pixels
    // joins strips as well as runs.
    constexpr int kMostRects = 40;
    const QPoint offset(4, 21);
    const QRgb palette[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(200, 30, 30), qRgb(0, 0, 1)};
    std::mt19937 gen(20261208);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); };
    auto randomRect = [&](int most) {
        const int w = 1 + pick(most), h = 1 + pick(most);
        return QRect(pick(kW + 40) - 20 - w / 2, pick(kH + 40) - 20 - h / 2, w, h);
    };

    for (int round = 0; round < 8; ++round) {
        const bool withShown = round % 2 == 1;
        QImage drawing(kW, kH, QImage::Format_RGB32);
        drawing.fill(palette[0]);
        QImage screen(kW + 10, kH + 30, QImage::Format_ARGB32_Premultiplied);
        screen.fill(Qt::transparent);
        QRegion pending(QRect(QPoint(0, 0), drawing.size()));
        ShownCells cells(kW, kH, kMostRects);
        auto paint = [&] {
            QPainter p(&screen);
            for (const QRect& r : pending)
                p.drawImage(r.topLeft() + offset, drawing, r);
            pending = QRegion();
        };
        paint();

        for (int step = 0; step < 120; ++step) {
            const QImage before = drawing.copy();
            QRect area;
            {
                QPainter p(&drawing);
                const QRgb colour = palette[pick(4)];
                switch (pick(6)) {
                case 0:
                case 1:
                    area = randomRect(step % 10 == 0 ? 900 : 120);
                    p.fillRect(area, QColor(colour));
                    break;
                case 2: {
                    area = randomRect(200);
                    const int width = 1 + pick(9);
                    p.setPen(QPen(QColor(colour), width));
                    p.drawEllipse(area);
                    area.adjust(-width, -width, width, width);
                    break;
                }
                case 3:
                    area = QRect(pick(kW), pick(kH), 1, 1);
                    drawing.setPixel(area.topLeft(), colour);
                    break;
                case 4:
                    for (int i = 0; i < 400; ++i)
                        drawing.setPixel(pick(kW), pick(kH), colour);
                    area = drawing.rect();
                    break;
                default: {
                    // Painted by other means: shown as it is, not known.
                    const QRect r = randomRect(300);
                    p.fillRect(r, QColor(palette[pick(4)]));
                    p.end();
                    cells.forget(r);
                    pending |= r & drawing.rect();
                    paint();
                    continue;
                }
                }
            }
            // Every changed pixel lies in the reported area (a thin ellipse's
            // ends reach past half its pen), which may reach beyond them.
            for (int y = 0; y < kH; ++y) {
                const auto* b = reinterpret_cast<const QRgb*>(before.constScanLine(y));
                const auto* d = reinterpret_cast<const QRgb*>(drawing.constScanLine(y));
                for (int x = 0; x < kW; ++x)
                    if (b[x] != d[x])
                        area |= QRect(x, y, 1, 1);
            }
            if (pick(3) == 0)
                area.adjust(-pick(40), -pick(40), pick(40), pick(40));
            const QRegion changed = cells.changed(drawing, area, withShown ? &screen : nullptr, offset);
            const QRect a = area & drawing.rect();
            constexpr int cw = ShownCells::kCellWidth, ch = ShownCells::kCellHeight;
            const QRect cellsOfArea(QPoint(a.left() / cw * cw, a.top() / ch * ch),
                                    QPoint(a.right() / cw * cw + cw - 1, a.bottom() / ch * ch + ch - 1));
            ASSERT_TRUE((changed - (cellsOfArea & drawing.rect())).isEmpty()) << "round " << round << " step " << step;
            ASSERT_LE(changed.rectCount(), kMostRects);
            pending |= changed;
            if (pick(3) == 0)
                continue;
            paint();
            for (int y = 0; y < kH; ++y) {
                const auto* d = reinterpret_cast<const QRgb*>(drawing.constScanLine(y));
                const auto* s = reinterpret_cast<const QRgb*>(screen.constScanLine(y + offset.y())) + offset.x();
                for (int x = 0; x < kW; ++x)
                    ASSERT_EQ(d[x], s[x]) << "pixel " << x << "," << y << " round " << round << " step " << step;
            }
        }
    }
}

} // namespace
