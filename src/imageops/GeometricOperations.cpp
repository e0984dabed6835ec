// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "imageops/ImageFrame.h"
#include "imageops/Parallel.h"
#include "imageops/Runners.h"
#include "state/Rounding.h"

namespace pemma::imageops {

namespace {

// The walk of the geometric commands: step 1, pen width 1.
struct Walk {
    WalkAxis ax, ay;
    double lastX = 0, lastY = 0;
    // Last source column and row inside the drawing (0 when none): the reads
    // that give a valid colour.
    int validX = 0, validY = 0;
    bool empty = true;

    Walk(const DrawingState& state, const Canvas& canvas)
        : ax{regionWidth(state), 1}, ay{regionHeight(state), 1}
    {
        empty = ax.empty() || ay.empty();
        if (empty)
            return;
        lastX = ax.last();
        lastY = ay.last();
        validX = ax.countUpTo(canvas.width() - 1);
        validY = ay.countUpTo(canvas.height() - 1);
    }
};

// For a target line t = 0 .. count - 1 reached from source lines v through
// t = extent - v (rounded as a point is placed), the source that lands there
// last in walk order: the largest valid v. Returns (t, v) pairs.
std::vector<std::pair<int, int>> reversedLines(double extent, int validMax, int count)
{
    std::vector<std::pair<int, int>> pairs;
    if (validMax < 1 || count < 1)
        return pairs;
    const double lo = std::max(1.0, std::floor(extent - count));
    if (lo > validMax)
        return pairs;
    std::vector<int> source(count, 0);
    for (int v = static_cast<int>(lo); v <= validMax; ++v) {
        const int t = roundHalfEven(extent - v);
        if (t >= 0 && t < count)
            source[t] = v;
    }
    for (int t = 0; t < count; ++t)
        if (source[t])
            pairs.emplace_back(t, source[t]);
    return pairs;
}

// Target pixels target, target + 1, ... filled from the source pixels
// source, source - 1, ...: a stretch of reversedLines() for a plain row copy.
struct ReversedRun {
    int target, source, length;
};

std::vector<ReversedRun> reversedRuns(const std::vector<std::pair<int, int>>& pairs)
{
    std::vector<ReversedRun> runs;
    for (const auto& [t, v] : pairs) {
        if (!runs.empty()) {
            ReversedRun& r = runs.back();
            if (r.target + r.length == t && r.source - r.length == v) {
                ++r.length;
                continue;
            }
        }
        runs.push_back({t, v, 1});
    }
    return runs;
}

void copyReversed(QRgb* dst, const QRgb* src, const std::vector<ReversedRun>& runs)
{
    for (const ReversedRun& r : runs) {
        QRgb* d = dst + r.target;
        const QRgb* from = src + r.source;
        const int length = r.length; // a local: the stores could alias the run
        for (int k = 0; k < length; ++k)
            d[k] = from[-k] | kOpaque;
    }
}

// The mean of two pixels component by component, halves to even as the join
// rounds: for a component sum s, s / 2 plus one where s is odd and s / 2 is
// odd. Two components at a time, each in its own 16 bits.
inline QRgb meanOf(QRgb a, QRgb b)
{
    constexpr QRgb kLanes = 0x00FF00FFu;
    const QRgb even = (a & kLanes) + (b & kLanes);
    const QRgb odd = ((a >> 8) & kLanes) + ((b >> 8) & kLanes);
    const QRgb evenHalf = ((even >> 1) & kLanes) + (even & (even >> 1) & 0x00010001u);
    const QRgb oddHalf = ((odd >> 1) & kLanes) + (odd & (odd >> 1) & 0x00010001u);
    return kOpaque | evenHalf | (oddHalf << 8);
}

// The enlarging commands cap the picture at half the screen before reading.
void capToHalfScreen(DrawingState& state)
{
    if (state.pictureWidth > state.screenWidthTwips / 2)
        state.pictureWidth = state.screenWidthTwips / 2;
    if (state.pictureHeight > state.screenHeightTwips / 2)
        state.pictureHeight = state.screenHeightTwips / 2;
}

void beginGeometric(OperationContext& ctx)
{
    applyDefaultPictureSize(ctx.state);
    ensureRgb32(ctx.canvas);
}

} // namespace

void runEnlargeRepeated(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    beginGeometric(ctx);
    capToHalfScreen(state);
    const Walk walk(state, canvas);
    canvas.setDrawWidth(1);
    if (!walk.empty) {
        const Colour lastRead = readAt(canvas, walk.lastX, walk.lastY);
        const ScratchCopy copy(canvas, 1, 1, walk.validX, walk.validY);
        const Rows image(canvas.image());
        const int w = image.width(), h = image.height();
        // Each source pixel becomes its own 2 x 2 block; blocks never meet,
        // and every read is of the copy.
        const int lastY = std::min(walk.validY, (h - 1) / 2);
        const int lastX = std::min(walk.validX, (w - 1) / 2);
        const int pairedX = std::min(lastX, (w - 2) / 2); // blocks two pixels wide
        const size_t belowBytes = sizeof(QRgb) * std::max(0, std::min(2 * lastX, w - 2));
        parallelFor(lastY, 16, [&](int begin, int end) {
            // Locals, as stores to the drawing could alias captured values.
            const int paired = pairedX, last = lastX;
            for (int y = begin + 1; y <= end; ++y) {
                const QRgb* src = copy.row(y);
                QRgb* top = image[2 * y];
                QRgb* below = 2 * y + 1 < h ? image[2 * y + 1] : nullptr;
                for (int x = 1; x <= paired; ++x)
                    top[2 * x] = top[2 * x + 1] = src[x] | kOpaque;
                for (int x = paired + 1; x <= last; ++x)
                    top[2 * x] = src[x] | kOpaque;
                if (below)
                    std::memcpy(below + 2, top + 2, belowBytes);
            }
        });
        if (walk.validX > 0 && walk.validY > 0)
            canvas.markDirty(QRect(2, 2, 2 * walk.validX, 2 * walk.validY));
        state.pixelColour = lastRead;
        leavePositionAt(canvas, 2 * walk.lastX + 1, 2 * walk.lastY + 1);
    }
    state.pictureWidth *= 2;
    state.pictureHeight *= 2;
}

void runEnlargeAveraged(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    beginGeometric(ctx);
    capToHalfScreen(state);
    const Walk walk(state, canvas);
    canvas.setDrawWidth(1);
    if (!walk.empty) {
        const Colour lastRead = readAt(canvas, walk.lastX, walk.lastY);
        const ScratchCopy copy(canvas, 1, 1, walk.validX + 1, walk.validY + 1);
        const Rows image(canvas.image());
        const int w = image.width(), h = image.height();
        // Targets (2x + dx, 2y + dy) never meet and every read is of the
        // copy, so the order is free; a neighbour beyond the drawing leaves
        // its target unpainted.
        parallelFor(walk.validY, 16, [&](int begin, int end) {
            // Locals, as stores to the drawing could alias captured values.
            const int validX = walk.validX;
            // Both targets of x lie inside, and its right neighbour is
            // readable, up to here.
            const int paired = std::min(validX, (w - 2) / 2);
            for (int y = begin + 1; y <= end; ++y) {
                const QRgb* src0 = copy.row(y);
                for (int dy = 0; dy <= 1; ++dy) {
                    const int ty = 2 * y + dy;
                    if (ty >= h || y + dy >= h)
                        continue;
                    const QRgb* src1 = copy.row(y + dy);
                    QRgb* dst = image[ty];
                    for (int x = 1; x <= paired; ++x) {
                        const QRgb p0 = src0[x];
                        dst[2 * x] = meanOf(p0, src1[x]);
                        dst[2 * x + 1] = meanOf(p0, src1[x + 1]);
                    }
                    for (int x = std::max(1, paired + 1); x <= validX && 2 * x < w; ++x) {
                        const QRgb p0 = src0[x];
                        dst[2 * x] = meanOf(p0, src1[x]);
                        if (2 * x + 1 < w && x + 1 < w)
                            dst[2 * x + 1] = meanOf(p0, src1[x + 1]);
                    }
                }
            }
        });
        if (walk.validX > 0 && walk.validY > 0) {
            canvas.markDirty(QRect(2, 2, 2 * walk.validX, 2 * walk.validY));
            // The last point painted: the last of the four targets of the
            // last valid source whose neighbour is valid too.
            const int x = walk.validX, y = walk.validY;
            const bool rightOk = x + 1 < w, belowOk = y + 1 < h;
            int dx = 0, dy = 0;
            if (rightOk && belowOk)
                dx = dy = 1;
            else if (rightOk)
                dx = 1;
            else if (belowOk)
                dy = 1;
            leavePositionAt(canvas, 2.0 * x + dx, 2.0 * y + dy);
        }
        state.pixelColour = lastRead;
    }
    state.pictureWidth *= 2;
    state.pictureHeight *= 2;
}

void runShrink(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    beginGeometric(ctx);
    const Walk walk(state, canvas);
    canvas.setDrawWidth(1);
    if (!walk.empty) {
        const Rows image(canvas.image());
        const int w = image.width(), h = image.height();
        const int nx = walk.validX, ny = walk.validY;
        // Every read sees the picture as it was: a point's half-way target
        // lies in an earlier column, and the white points go only where they
        // are read.
        const Colour lastRead = readAt(canvas, walk.lastX, walk.lastY);
        // The source landing last on each target column and row (0: none).
        // Walk order is column by column, so the largest column wins, and in
        // it the largest row; unreadable sources paint nothing.
        std::vector<int> colSource(w, 0), rowSource(h, 0);
        for (int x = 1; x <= nx; ++x)
            colSource[roundHalfEven(x / 2.0)] = x;
        for (int y = 1; y <= ny; ++y)
            rowSource[roundHalfEven(y / 2.0)] = y;
        const QRgb white = Canvas::toRgb(kWhite);
        // Rows from the top: a target row's sources lie further down and are
        // still untouched.
        for (int ty = 0; ty <= ny && ty < h; ++ty) {
            QRgb* dst = image[ty];
            const int sy = rowSource[ty];
            const QRgb* src = sy ? image[sy] : nullptr;
            for (int tx = 0; tx <= nx && tx < w; ++tx) {
                const int sx = colSource[tx];
                if (src && sx)
                    dst[tx] = src[sx] | kOpaque;
                else if (tx >= 1 && ty >= 1)
                    dst[tx] = white;
            }
        }
        if (nx > 0 && ny > 0)
            canvas.markDirty(QRect(0, 0, nx + 1, ny + 1));
        state.pixelColour = lastRead;
        leavePositionAt(canvas, walk.lastX / 2, walk.lastY / 2);
    }
    state.pictureWidth /= 2;
    state.pictureHeight /= 2;
}

namespace {

// The mirror and the turns copy the region, clear the drawing and paint every
// readable source pixel at its new place. The quarter turns go through the
// picture in square tiles of this size so that the rows they read and the
// rows they write both stay in the cache.
constexpr int kTile = 64;

// The common start of the mirror and the turns: default size, the walk, the
// last colour the walk reads, the scratch copy, then the drawing cleared and
// the pen width 1.
struct CopiedRegion {
    Walk walk;
    std::optional<ScratchCopy> copy;
    Colour lastRead = 0;
};

CopiedRegion copyThenClear(OperationContext& ctx)
{
    beginGeometric(ctx);
    CopiedRegion r{Walk(ctx.state, ctx.canvas), std::nullopt, 0};
    if (!r.walk.empty) {
        r.lastRead = readAt(ctx.canvas, r.walk.lastX, r.walk.lastY);
        // The drawing itself becomes the copy; the clear below sets every
        // pixel of the fresh one.
        r.copy.emplace(ScratchCopy::takeDrawing(ctx.canvas));
    }
    ctx.canvas.cls();
    ctx.canvas.setDrawWidth(1);
    return r;
}

} // namespace

void runMirror(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    const CopiedRegion region = copyThenClear(ctx);
    const Walk& walk = region.walk;
    const std::optional<ScratchCopy>& copy = region.copy;
    const Colour lastRead = region.lastRead;
    const double W = regionWidth(state);
    if (walk.empty)
        return;
    const Rows image(canvas.image());
    const int w = image.width();
    // (x, y) goes to (W - x, y): each row reversed on its own.
    const auto runs = reversedRuns(reversedLines(W, walk.validX, w));
    parallelFor(walk.validY, 16, [&](int begin, int end) {
        for (int y = begin + 1; y <= end; ++y)
            copyReversed(image[y], copy->row(y), runs);
    });
    state.pixelColour = lastRead;
    leavePositionAt(canvas, W - walk.lastX, walk.lastY);
}

void runRotateRight(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    const CopiedRegion region = copyThenClear(ctx);
    const Walk& walk = region.walk;
    const std::optional<ScratchCopy>& copy = region.copy;
    const Colour lastRead = region.lastRead;
    const double H = regionHeight(state);
    if (!walk.empty) {
        const Rows image(canvas.image());
        const int w = image.width(), h = image.height();
        // (x, y) goes to (H - y, x): source row y becomes a target column,
        // source column x the target row x.
        const auto columns = reversedLines(H, walk.validY, w);
        const int lastRow = std::min(walk.validX, h - 1);
        const int n = static_cast<int>(columns.size());
        std::vector<const QRgb*> sources(n);
        std::vector<int> targets(n);
        for (int k = 0; k < n; ++k) {
            sources[k] = copy->row(columns[k].second);
            targets[k] = columns[k].first;
        }
        // Bands of target rows go to the threads; each band in tiles.
        parallelFor((lastRow + kTile - 1) / kTile, 1, [&](int band0, int band1) {
            const int xEnd = std::min(lastRow, band1 * kTile);
            for (int k0 = 0; k0 < n; k0 += kTile) {
                const int k1 = std::min(n, k0 + kTile);
                for (int x = 1 + band0 * kTile; x <= xEnd; ++x) {
                    QRgb* dst = image[x];
                    for (int k = k0; k < k1; ++k)
                        dst[targets[k]] = sources[k][x] | kOpaque;
                }
            }
        });
        state.pixelColour = lastRead;
        leavePositionAt(canvas, H - walk.lastY, walk.lastX);
    }
    std::swap(state.pictureWidth, state.pictureHeight);
}

void runRotateLeft(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    const CopiedRegion region = copyThenClear(ctx);
    const Walk& walk = region.walk;
    const std::optional<ScratchCopy>& copy = region.copy;
    const Colour lastRead = region.lastRead;
    const double W = regionWidth(state);
    if (!walk.empty) {
        const Rows image(canvas.image());
        const int w = image.width(), h = image.height();
        // (x, y) goes to (y, W - x): source column x becomes a target row,
        // source row y the target column y.
        const auto rows = reversedLines(W, walk.validX, h);
        const int lastCol = std::min(walk.validY, w - 1);
        const int n = static_cast<int>(rows.size());
        std::vector<const QRgb*> sources(lastCol + 1, nullptr);
        for (int y = 1; y <= lastCol; ++y)
            sources[y] = copy->row(y);
        // Bands of target rows go to the threads; each band in tiles.
        parallelFor((n + kTile - 1) / kTile, 1, [&](int band0, int band1) {
            const int kEnd = std::min(n, band1 * kTile);
            for (int k0 = band0 * kTile; k0 < kEnd; k0 += kTile) {
                const int k1 = std::min(kEnd, k0 + kTile);
                for (int y0 = 1; y0 <= lastCol; y0 += kTile) {
                    const int y1 = std::min(lastCol, y0 + kTile - 1);
                    for (int k = k0; k < k1; ++k) {
                        QRgb* dst = image[rows[k].first];
                        const int sx = rows[k].second;
                        for (int y = y0; y <= y1; ++y)
                            dst[y] = sources[y][sx] | kOpaque;
                    }
                }
            }
        });
        state.pixelColour = lastRead;
        leavePositionAt(canvas, walk.lastY, W - walk.lastX);
    }
    std::swap(state.pictureWidth, state.pictureHeight);
}

void runRotateHalf(OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    const CopiedRegion region = copyThenClear(ctx);
    const Walk& walk = region.walk;
    const std::optional<ScratchCopy>& copy = region.copy;
    const Colour lastRead = region.lastRead;
    const double W = regionWidth(state), H = regionHeight(state);
    if (walk.empty)
        return;
    const Rows image(canvas.image());
    const int w = image.width(), h = image.height();
    // (x, y) goes to (W - x, H - y).
    const auto runs = reversedRuns(reversedLines(W, walk.validX, w));
    const auto rows = reversedLines(H, walk.validY, h);
    parallelFor(static_cast<int>(rows.size()), 16, [&](int begin, int end) {
        for (int k = begin; k < end; ++k)
            copyReversed(image[rows[k].first], copy->row(rows[k].second), runs);
    });
    state.pixelColour = lastRead;
    leavePositionAt(canvas, W - walk.lastX, H - walk.lastY);
}

} // namespace pemma::imageops
