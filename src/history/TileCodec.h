// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pemma {

// The side of the square tiles the undo history keeps a drawing in.
inline constexpr int kHistoryTileSize = 32;

// One tile of a drawing as it was: runs of (count, pixel) pairs over the
// tile's pixels row by row, or its pixels as they are. `index` says where
// the tile lies; the codec itself only needs the area it is given.
struct Tile {
    int index = 0;
    bool runs = false;
    std::vector<std::uint32_t> data;
    std::size_t bytes() const { return sizeof(Tile) + data.capacity() * sizeof(std::uint32_t); }
};

// All of these work on the raw pixels of a 32-bit image, inside `area`,
// which lies within the image, is not empty and is at most
// kHistoryTileSize wide.

// The pixels of `area`, as runs where that is smaller (the blank or flatly
// painted parts of a drawing), otherwise pixel for pixel; its index is 0.
Tile encodeTile(const QImage& image, const QRect& area);
// Puts the pixels `tile` kept back into `area`, which must be the same size
// as the area they were taken from; nothing outside it is written.
void decodeTile(const Tile& tile, QImage& image, const QRect& area);
void copyTile(const QImage& from, QImage& to, const QRect& area);
bool sameTile(const QImage& a, const QImage& b, const QRect& area);
// The tile encodeTile makes of an area whose every pixel is `pixel`, and
// whether every pixel of `area` is.
Tile plainTile(const QRect& area, std::uint32_t pixel);
bool plainArea(const QImage& image, const QRect& area, std::uint32_t pixel);

} // namespace pemma
