// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/TileCodec.h"

#include <algorithm>
#include <cstring>

namespace pemma {

namespace {

// The rows of a tile of a 32-bit image, the image's bits taken once.
template <typename Pixel>
struct TileRows {
    Pixel* origin;
    qsizetype stride; // in pixels
    Pixel* operator[](int y) const { return origin + y * stride; }
};
TileRows<const std::uint32_t> rowsOf(const QImage& image, const QRect& r)
{
    const qsizetype stride = image.bytesPerLine() / 4;
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()) + r.top() * stride + r.left(), stride};
}
TileRows<std::uint32_t> rowsOf(QImage& image, const QRect& r)
{
    const qsizetype stride = image.bytesPerLine() / 4;
    return {reinterpret_cast<std::uint32_t*>(image.bits()) + r.top() * stride + r.left(), stride};
}

// Gathers the runs of a w x h tile into `runs`; false as soon as the pixels
// take less room, or after a first row that changes at every other pixel or
// more (a photograph).
bool gatherRuns(const TileRows<const std::uint32_t>& rows, int w, int h, std::vector<std::uint32_t>& runs)
{
    const std::size_t n = static_cast<std::size_t>(w) * h;
    // A row of the current colour, to find rows of one colour quickly.
    thread_local std::uint32_t plain[kHistoryTileSize];
    runs.clear();
    std::uint32_t current = rows[0][0];
    std::fill(plain, plain + w, current);
    std::uint32_t length = 0;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* p = rows[y];
        if (std::memcmp(p, plain, w * sizeof(std::uint32_t)) == 0) {
            length += w;
            continue;
        }
        for (int x = 0; x < w; ++x) {
            if (p[x] != current) {
                runs.push_back(length);
                runs.push_back(current);
                if (runs.size() + 2 >= n)
                    return false;
                current = p[x];
                length = 0;
            }
            ++length;
        }
        std::fill(plain, plain + w, current);
        if (y == 0 && runs.size() > static_cast<std::size_t>(w))
            return false;
    }
    runs.push_back(length);
    runs.push_back(current);
    return true;
}

} // namespace

Tile encodeTile(const QImage& image, const QRect& area)
{
    Q_ASSERT(image.depth() == 32 && !area.isEmpty() && image.rect().contains(area)
             && area.width() <= kHistoryTileSize);
    const int w = area.width(), h = area.height();
    const auto rows = rowsOf(image, area);
    thread_local std::vector<std::uint32_t> runs;
    Tile tile;
    tile.runs = gatherRuns(rows, w, h, runs);
    if (tile.runs) {
        tile.data.assign(runs.begin(), runs.end());
        return tile;
    }
    tile.data.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        tile.data.insert(tile.data.end(), rows[y], rows[y] + w);
    return tile;
}

void decodeTile(const Tile& tile, QImage& image, const QRect& area)
{
    const int w = area.width(), h = area.height();
    const auto rows = rowsOf(image, area);
    if (!tile.runs) {
        for (int y = 0; y < h; ++y)
            std::memcpy(rows[y], tile.data.data() + static_cast<std::size_t>(y) * w, w * sizeof(std::uint32_t));
        return;
    }
    int x = 0, y = 0;
    for (std::size_t k = 0; k + 1 < tile.data.size() && y < h; k += 2) {
        std::uint32_t length = tile.data[k];
        const std::uint32_t colour = tile.data[k + 1];
        while (length > 0 && y < h) {
            const int take = static_cast<int>(std::min<std::uint32_t>(length, w - x));
            std::fill(rows[y] + x, rows[y] + x + take, colour);
            x += take;
            length -= take;
            if (x == w) {
                x = 0;
                ++y;
            }
        }
    }
}

void copyTile(const QImage& from, QImage& to, const QRect& area)
{
    const auto source = rowsOf(from, area);
    const auto target = rowsOf(to, area);
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(target[y], source[y], area.width() * sizeof(std::uint32_t));
}

bool sameTile(const QImage& a, const QImage& b, const QRect& area)
{
    const auto rowsA = rowsOf(a, area);
    const auto rowsB = rowsOf(b, area);
    for (int y = 0; y < area.height(); ++y)
        if (std::memcmp(rowsA[y], rowsB[y], area.width() * sizeof(std::uint32_t)) != 0)
            return false;
    return true;
}

Tile plainTile(const QRect& area, std::uint32_t pixel)
{
    Tile tile;
    tile.runs = true;
    tile.data = {static_cast<std::uint32_t>(area.width() * area.height()), pixel};
    return tile;
}

bool plainArea(const QImage& image, const QRect& area, std::uint32_t pixel)
{
    const auto rows = rowsOf(image, area);
    for (int y = 0; y < area.height(); ++y)
        if (std::find_if(rows[y], rows[y] + area.width(), [pixel](std::uint32_t p) { return p != pixel; })
            != rows[y] + area.width())
            return false;
    return true;
}

} // namespace pemma
