#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "imageops/ImageFrame.h"
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
        // Each source pixel becomes its own 2 x 2 block; blocks never meet.
        for (int y = 1; y <= walk.validY && 2 * y < h; ++y) {
            const QRgb* src = copy.row(y);
            QRgb* top = image[2 * y];
            QRgb* below = 2 * y + 1 < h ? image[2 * y + 1] : nullptr;
            for (int x = 1; x <= walk.validX && 2 * x < w; ++x) {
                const QRgb q = src[x] | kOpaque;
                const bool right = 2 * x + 1 < w;
                top[2 * x] = q;
                if (right)
                    top[2 * x + 1] = q;
                if (below) {
                    below[2 * x] = q;
                    if (right)
                        below[2 * x + 1] = q;
                }
            }
        }
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
        // Half the sum of two components, halves to even as the join rounds.
        static const std::array<QRgb, 511> half = [] {
            std::array<QRgb, 511> t{};
            for (int s = 0; s <= 510; ++s)
                t[s] = static_cast<QRgb>(roundHalfEven(s / 2.0));
            return t;
        }();
        auto mean = [](QRgb a, QRgb b) {
            return kOpaque | (half[((a >> 16) & 0xFFu) + ((b >> 16) & 0xFFu)] << 16)
                 | (half[((a >> 8) & 0xFFu) + ((b >> 8) & 0xFFu)] << 8) | half[(a & 0xFFu) + (b & 0xFFu)];
        };
        // Targets (2x + dx, 2y + dy) never meet, so the order is free; a
        // neighbour beyond the drawing leaves its target unpainted.
        for (int y = 1; y <= walk.validY; ++y) {
            const QRgb* src0 = copy.row(y);
            for (int dy = 0; dy <= 1; ++dy) {
                const int ty = 2 * y + dy;
                if (ty >= h || y + dy >= h)
                    continue;
                const QRgb* src1 = copy.row(y + dy);
                QRgb* dst = image[ty];
                for (int x = 1; x <= walk.validX && 2 * x < w; ++x) {
                    const QRgb p0 = src0[x];
                    dst[2 * x] = mean(p0, src1[x]);
                    if (2 * x + 1 < w && x + 1 < w)
                        dst[2 * x + 1] = mean(p0, src1[x + 1]);
                }
            }
        }
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
// last colour the walk reads, the scratch copy of the region, then the
// drawing cleared and the pen width 1.
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
        r.copy.emplace(ctx.canvas, 1, 1, r.walk.validX, r.walk.validY);
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
    // (x, y) goes to (W - x, y).
    const auto columns = reversedLines(W, walk.validX, w);
    for (int y = 1; y <= walk.validY; ++y) {
        const QRgb* src = copy->row(y);
        QRgb* dst = image[y];
        for (const auto& [tx, sx] : columns)
            dst[tx] = src[sx] | kOpaque;
    }
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
        for (int k = 0; k < n; ++k)
            sources[k] = copy->row(columns[k].second);
        for (int k0 = 0; k0 < n; k0 += kTile) {
            const int k1 = std::min(n, k0 + kTile);
            for (int x0 = 1; x0 <= lastRow; x0 += kTile) {
                const int x1 = std::min(lastRow, x0 + kTile - 1);
                for (int x = x0; x <= x1; ++x) {
                    QRgb* dst = image[x];
                    for (int k = k0; k < k1; ++k)
                        dst[columns[k].first] = sources[k][x] | kOpaque;
                }
            }
        }
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
        for (int k0 = 0; k0 < n; k0 += kTile) {
            const int k1 = std::min(n, k0 + kTile);
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
    const auto columns = reversedLines(W, walk.validX, w);
    const auto rows = reversedLines(H, walk.validY, h);
    for (const auto& [ty, sy] : rows) {
        const QRgb* src = copy->row(sy);
        QRgb* dst = image[ty];
        for (const auto& [tx, sx] : columns)
            dst[tx] = src[sx] | kOpaque;
    }
    state.pixelColour = lastRead;
    leavePositionAt(canvas, W - walk.lastX, H - walk.lastY);
}

} // namespace pemma::imageops
