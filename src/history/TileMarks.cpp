// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/TileMarks.h"

#include <algorithm>
#include <cstdlib>

namespace pemma {

namespace {
// The longest segment walked band by band. Measured, segments three times
// as long are still painted within the reach the canvas announces.
constexpr int kExactLength = 1 << 16;
} // namespace

void TileMarks::reset(int width, int height)
{
    width_ = width;
    height_ = height;
    columns_ = (width + kTileSize - 1) / kTileSize;
    rows_ = (height + kTileSize - 1) / kTileSize;
    const std::size_t tiles = static_cast<std::size_t>(columns_) * rows_;
    markedBy_.assign(tiles, 0);
    isStray_.assign(tiles, 0);
    stray_.clear();
    written_.clear();
    open_ = false;
}

QRect TileMarks::tileRect(int index) const
{
    const int col = index % columns_, row = index / columns_;
    return QRect(col * kTileSize, row * kTileSize, kTileSize, kTileSize).intersected(QRect(0, 0, width_, height_));
}

void TileMarks::openStep()
{
    if (++serial_ == 0) {
        std::fill(markedBy_.begin(), markedBy_.end(), 0);
        serial_ = 1;
    }
    written_.clear();
    open_ = true;
}

std::size_t TileMarks::bytes() const
{
    return (written_.capacity() + stray_.capacity()) * sizeof(int) + isStray_.capacity()
         + markedBy_.capacity() * sizeof(std::uint32_t);
}

void TileMarks::markBox(int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (left > right || top > bottom)
        return;
    for (int row = top / kTileSize; row <= bottom / kTileSize; ++row)
        for (int col = left / kTileSize; col <= right / kTileSize; ++col)
            mark(row * columns_ + col);
}

void TileMarks::markAlong(QPoint a, QPoint b, int reach)
{
    const int left = std::min(a.x(), b.x()) - reach, right = std::max(a.x(), b.x()) + reach;
    const int top = std::min(a.y(), b.y()) - reach, bottom = std::max(a.y(), b.y()) + reach;
    // A short segment (the usual move of a hand) lies within a tile or two
    // each way: its box is as good as any.
    if (right / kTileSize - left / kTileSize <= 1 && bottom / kTileSize - top / kTileSize <= 1) {
        markBox(left, top, right, bottom);
        return;
    }
    // Qt's rasteriser keeps a segment's slope in fixed point with 16 bits of
    // fraction: one reaching tens of thousands of pixels or more can be
    // painted pixels off its line (a hundred, some 8 million pixels out), but
    // never outside its box, to which the canvas clips it.
    if (std::max(right - left, bottom - top) >= kExactLength) {
        markBox(left, top, right, bottom);
        return;
    }
    // The tiles are taken in bands one tile wide across the segment's longer
    // axis ("along"); in each band, those across it from the segment's
    // lowest to its highest point over the band widened by `reach`, and
    // `reach` beyond.
    const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    int a0 = a.x(), a1 = a.y(), b0 = b.x(), b1 = b.y();
    int alongSize = width_, acrossSize = height_;
    if (steep) {
        std::swap(a0, a1);
        std::swap(b0, b1);
        std::swap(alongSize, acrossSize);
    }
    if (a0 > b0) {
        std::swap(a0, b0);
        std::swap(a1, b1);
    }
    const int first = std::max(a0 - reach, 0), last = std::min(b0 + reach, alongSize - 1);
    if (first > last)
        return;
    // The segment's height over a point along it, in 32-bit fixed point and
    // whole numbers only: rounded down, it is less than one pixel off, which
    // the extra pixel on either side covers.
    const std::int64_t slope = b0 == a0 ? 0 : (std::int64_t(b1 - a1) << 32) / (b0 - a0);
    auto acrossAt = [&](int along) { return a1 + static_cast<int>((std::int64_t(along - a0) * slope) >> 32); };
    for (int band = first / kTileSize; band <= last / kTileSize; ++band) {
        const int from = std::max(band * kTileSize - reach, a0);
        const int to = std::min(band * kTileSize + kTileSize - 1 + reach, b0);
        const int y0 = acrossAt(from), y1 = acrossAt(to);
        const int low = std::max(std::min(y0, y1) - reach - 1, 0);
        const int high = std::min(std::max(y0, y1) + reach + 1, acrossSize - 1);
        if (low > high)
            continue;
        for (int across = low / kTileSize; across <= high / kTileSize; ++across)
            mark(steep ? band * columns_ + across : across * columns_ + band);
    }
}

} // namespace pemma
