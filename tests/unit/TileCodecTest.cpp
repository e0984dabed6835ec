// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history's tile codec: whatever a tile holds, and wherever it lies
// in the drawing (edge tiles cut short included), what is decoded is exactly
// what was encoded, and nothing around it is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "history/TileCodec.h"

using namespace pemma;

namespace {

std::uint32_t* row(QImage& image, int y) { return reinterpret_cast<std::uint32_t*>(image.scanLine(y)); }

// Raw bits, alpha byte included: the codec must not take the pixels for colours.
bool sameBits(const QImage& a, const QImage& b, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* pa = reinterpret_cast<const std::uint32_t*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const std::uint32_t*>(b.constScanLine(y));
        if (!std::equal(pa + area.left(), pa + area.right() + 1, pb + area.left()))
            return false;
    }
    return true;
}

} // namespace

TEST(TileCodec, EveryTileDecodesToExactlyWhatWasEncoded)
{
    std::mt19937 random(1234);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto anyPixel = [&] { return static_cast<std::uint32_t>(random()); };
    enum Kind { Flat, Runs, Photo, FlatThenPhoto, Stroke, KindCount };
    int heldAs[2] = {0, 0};
    for (int round = 0; round < 2000; ++round) {
        const Kind kind = static_cast<Kind>(round % KindCount);
        // Drawings of every width (rows rarely a whole number of tiles, so
        // the stride is rarely the tile's), and an area that is a tile of
        // their grid, cut at the right and bottom edges, or any area up to a
        // tile's size anywhere.
        const int width = pick(1, 80), height = pick(1, 80);
        QRect area;
        if (round % 2) {
            area = QRect(pick(0, (width - 1) / kHistoryTileSize) * kHistoryTileSize,
                         pick(0, (height - 1) / kHistoryTileSize) * kHistoryTileSize, kHistoryTileSize,
                         kHistoryTileSize)
                       .intersected(QRect(0, 0, width, height));
        } else {
            const int x = pick(0, width - 1), y = pick(0, height - 1);
            area = QRect(x, y, pick(1, std::min(kHistoryTileSize, width - x)),
                         pick(1, std::min(kHistoryTileSize, height - y)));
        }
        QImage image(width, height, QImage::Format_RGB32);
        const std::uint32_t palette[3] = {anyPixel(), anyPixel(), anyPixel()};
        const int photoFrom = pick(0, height), runLength = pick(1, 10);
        std::uint32_t ink = palette[0];
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (kind == Runs && pick(1, runLength) == 1)
                    ink = palette[pick(0, 2)];
                std::uint32_t& p = row(image, y)[x];
                switch (kind) {
                case Flat: p = palette[0]; break;
                case Runs: p = ink; break;
                case Photo: p = anyPixel(); break;
                case FlatThenPhoto: p = y < photoFrom ? palette[0] : anyPixel(); break;
                case Stroke: p = std::abs(x - y - photoFrom / 2) < 3 ? palette[1] : palette[0]; break;
                default: break;
                }
            }

        const Tile tile = encodeTile(image, area);
        const std::size_t pixels = static_cast<std::size_t>(area.width()) * area.height();
        // Runs only where they take less room than the pixels, but for a
        // flat tile of one or two pixels, whose one run takes two words.
        if (tile.runs) {
            ASSERT_LT(tile.data.size(), std::max<std::size_t>(pixels, 3)) << "round " << round;
        } else {
            ASSERT_EQ(tile.data.size(), pixels) << "round " << round;
        }
        if (kind == Flat) {
            ASSERT_TRUE(tile.runs && tile.data.size() == 2) << "round " << round << ": a flat tile is one run";
        }
        ++heldAs[tile.runs];

        // Decoded over other pixels: the area comes back, the rest stays.
        QImage target(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                row(target, y)[x] = ~row(image, y)[x];
        QImage untouched = target.copy();
        decodeTile(tile, target, area);
        ASSERT_TRUE(sameBits(image, target, area)) << "round " << round << ", kind " << kind << ", area "
                                                   << area.x() << "," << area.y() << " " << area.width() << "x"
                                                   << area.height() << " of " << width << "x" << height;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (!area.contains(x, y)) {
                    ASSERT_EQ(row(target, y)[x], row(untouched, y)[x]) << "round " << round;
                }

        // The comparison that decides whether a step changed a tile sees one
        // changed pixel anywhere in it, and copying makes the tile the same.
        ASSERT_TRUE(sameTile(image, target, area));
        row(target, pick(area.top(), area.bottom()))[pick(area.left(), area.right())] ^= 1u << pick(0, 31);
        ASSERT_FALSE(sameTile(image, target, area)) << "round " << round;
        copyTile(image, target, area);
        ASSERT_TRUE(sameBits(image, target, area));
    }
    // Both ways of holding a tile were taken often.
    EXPECT_GT(heldAs[0], 500);
    EXPECT_GT(heldAs[1], 500);
}
