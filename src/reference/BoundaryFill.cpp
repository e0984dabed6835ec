// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference/BoundaryFill.h"

#include <vector>

namespace pemma::reference {

void boundaryFill(Canvas& canvas, int x, int y, Colour border)
{
    const int w = canvas.image().width(), h = canvas.image().height();
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    if (canvas.fillStyle() != Canvas::Solid || canvas.fillColor() < 0)
        return;
    const QRgb borderRgb = Canvas::toRgb(border) & 0xFFFFFFu;
    const QRgb fill = Canvas::toRgb(canvas.fillColor());
    QRgb* bits = reinterpret_cast<QRgb*>(canvas.image().bits());
    const qsizetype stride = canvas.image().bytesPerLine() / 4;
    auto at = [&](int px, int py) -> QRgb& { return bits[py * stride + px]; };
    std::vector<unsigned char> done(static_cast<size_t>(w) * h, 0);
    auto open = [&](int px, int py) {
        return !done[static_cast<size_t>(py) * w + px] && (at(px, py) & 0xFFFFFFu) != borderRgb;
    };
    if (!open(x, y))
        return;

    int minX = x, maxX = x, minY = y, maxY = y;
    std::vector<std::pair<int, int>> stack;
    stack.emplace_back(x, y);
    while (!stack.empty()) {
        auto [sx, sy] = stack.back();
        stack.pop_back();
        if (!open(sx, sy))
            continue;
        int lx = sx, rx = sx;
        while (lx > 0 && open(lx - 1, sy))
            --lx;
        while (rx < w - 1 && open(rx + 1, sy))
            ++rx;
        canvas.aboutToWrite(QRect(lx, sy, rx - lx + 1, 1));
        for (int px = lx; px <= rx; ++px) {
            at(px, sy) = fill;
            done[static_cast<size_t>(sy) * w + px] = 1;
        }
        minX = std::min(minX, lx);
        maxX = std::max(maxX, rx);
        minY = std::min(minY, sy);
        maxY = std::max(maxY, sy);
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            bool inRun = false;
            for (int px = lx; px <= rx; ++px) {
                const bool o = open(px, ny);
                if (o && !inRun)
                    stack.emplace_back(px, ny);
                inRun = o;
            }
        }
    }
    canvas.markDirty(QRect(QPoint(minX, minY), QPoint(maxX, maxY)));
}

} // namespace pemma::reference
