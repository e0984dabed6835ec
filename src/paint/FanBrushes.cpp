// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

// End points reach the drawing in single precision.
void segment(Canvas& canvas, double x1, double y1, double x2, double y2)
{
    canvas.line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                static_cast<float>(y2));
}

// The screen size in pixels at a fixed 15 twips per pixel.
double screenWidthPixels(const DrawingState& s) { return s.screenWidthTwips / 15; }
double screenHeightPixels(const DrawingState& s) { return s.screenHeightTwips / 15; }

// One or two fans of 16 rays 0.4 radians apart, 2000 pixels long, turning by
// 0.02 each move. The second fan starts at the pointer mirrored through the
// screen's centre and meets the first at the same far points.
void fan(StrokeContext& ctx, double x, double y, bool mirrored)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.02;
    const double mx = screenWidthPixels(s) - x, my = screenHeightPixels(s) - y;
    for (int i = 1; i <= 16; ++i) {
        const double theta = s.spinAngle + i / 2.5;
        const double fx = x + 2000 * std::sin(theta), fy = y + 2000 * std::cos(theta);
        segment(ctx.canvas, x, y, fx, fy);
        if (mirrored)
            segment(ctx.canvas, mx, my, fx, fy);
    }
}

// The fill of brush 30 paints in the border colour itself, so a pixel once
// filled stops the fill like any border pixel: the fill needs no record of
// the pixels it has done. It fills the same pixels as the canvas's boundary
// fill (the 4-connected area of pixels not of the border colour around the
// start) and marks the same repaint area, finding the runs of a row four
// pixels at a time.
class RunFill {
public:
    RunFill(Canvas& canvas, QImage& image, QRgb border)
        : canvas_(canvas), bits_(reinterpret_cast<QRgb*>(image.bits())), stride_(image.bytesPerLine() / 4), w_(image.width()),
          h_(image.height()), border_(border & kRgb), fill_(border | 0xFF000000u)
    {
    }

    // Returns the bounding box of the pixels filled (empty when none).
    QRect fill(int x, int y)
    {
        if (!open(row(y)[x]))
            return {};
        int minX = x, maxX = x, minY = y, maxY = y;
        std::vector<std::pair<int, int>> seeds{{x, y}};
        while (!seeds.empty()) {
            const auto [sx, sy] = seeds.back();
            seeds.pop_back();
            QRgb* r = row(sy);
            if (!open(r[sx]))
                continue;
            const int lx = openFrom(r, sx);
            const int rx = openUntil(r, sx, w_) - 1;
            canvas_.aboutToWrite(QRect(lx, sy, rx - lx + 1, 1));
            std::fill(r + lx, r + rx + 1, fill_);
            minX = std::min(minX, lx);
            maxX = std::max(maxX, rx);
            minY = std::min(minY, sy);
            maxY = std::max(maxY, sy);
            for (const int ny : {sy - 1, sy + 1}) {
                if (ny < 0 || ny >= h_)
                    continue;
                const QRgb* n = row(ny);
                // The first pixel of every open run above or below the span.
                for (int px = closedUntil(n, lx, rx + 1); px <= rx; px = closedUntil(n, px, rx + 1)) {
                    seeds.emplace_back(px, ny);
                    px = openUntil(n, px, rx + 1);
                }
            }
        }
        return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
    }

private:
    static constexpr QRgb kRgb = 0xFFFFFFu;

    QRgb* row(int y) const { return bits_ + y * stride_; }
    bool open(QRgb p) const { return (p & kRgb) != border_; }
    // Bit k set where pixel p[k] (k = 0..3) is of the border colour.
    unsigned borderMask(const QRgb* p) const
    {
#if defined(__SSE2__)
        const __m128i rgb = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                          _mm_set1_epi32(static_cast<int>(kRgb)));
        const __m128i hit = _mm_cmpeq_epi32(rgb, _mm_set1_epi32(static_cast<int>(border_)));
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(hit)));
#else
        unsigned mask = 0;
        for (int k = 0; k < 4; ++k)
            mask |= static_cast<unsigned>((p[k] & kRgb) == border_) << k;
        return mask;
#endif
    }
    // The first pixel at or after from, before to, that is not open (to if none).
    int openUntil(const QRgb* r, int from, int to) const
    {
        int i = from;
        for (; i + 4 <= to; i += 4)
            if (const unsigned m = borderMask(r + i))
                return i + std::countr_zero(m);
        while (i < to && open(r[i]))
            ++i;
        return i;
    }
    // The first open pixel at or after from, before to (to if none).
    int closedUntil(const QRgb* r, int from, int to) const
    {
        int i = from;
        for (; i + 4 <= to; i += 4)
            if (const unsigned m = ~borderMask(r + i) & 0xFu)
                return i + std::countr_zero(m);
        while (i < to && !open(r[i]))
            ++i;
        return i;
    }
    // The leftmost pixel of the open run that holds the open pixel at.
    int openFrom(const QRgb* r, int at) const
    {
        int i = at;
        for (; i >= 4; i -= 4)
            if (const unsigned m = borderMask(r + i - 4))
                return i - 4 + (std::bit_width(m) - 1) + 1;
        while (i > 0 && open(r[i - 1]))
            --i;
        return i;
    }

    Canvas& canvas_;
    QRgb* bits_;
    qsizetype stride_;
    int w_, h_;
    QRgb border_, fill_;
};

} // namespace

// Brush 30: a frame along the screen's edges (its right and bottom sides lie
// far outside, the twips taken as pixels), then a fill from the pointer up to
// the foreground colour. The solid fill style stays for later circles and boxes.
StepResult fillArea(StrokeContext& ctx, double& x, double& y)
{
    const DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    const double w = s.screenWidthTwips, h = s.screenHeightTwips;
    canvas.line(0, 0, w, 0);
    canvas.lineTo(w, h);
    canvas.lineTo(0, h);
    canvas.lineTo(0, 0);
    canvas.setFillStyle(Canvas::Solid);
    const Colour colour = canvas.foreColor();
    canvas.setFillColor(colour);
    const int px = roundHalfEven(x), py = roundHalfEven(y);
    if (colour < 0 || px < 0 || py < 0 || px >= canvas.width() || py >= canvas.height())
        return StepResult::Continue; // the boundary fill paints nothing then
    canvas.markDirty(RunFill(canvas, canvas.image(), Canvas::toRgb(colour)).fill(px, py));
    return StepResult::Continue;
}

StepResult radiate(StrokeContext& ctx, double& x, double& y)
{
    fan(ctx, x, y, false);
    return StepResult::Continue;
}

StepResult doubleRadiate(StrokeContext& ctx, double& x, double& y)
{
    fan(ctx, x, y, true);
    return StepResult::Continue;
}

// Brush 35: twelve segments whose inner ends (radius 150) run 1.5 radians
// ahead of their outer ends (radius 1000), turning by 0.05 each move.
StepResult vortex(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.05;
    for (int i = 1; i <= 12; ++i) {
        const double phi = 6.28 * i / 12 + s.spinAngle;
        segment(ctx.canvas, x + 150 * std::cos(phi + 1.5), y + 150 * std::sin(phi + 1.5),
                x + 1000 * std::cos(phi), y + 1000 * std::sin(phi));
    }
    return StepResult::Continue;
}

// Brush 36: one 500-pixel segment centred on the pointer, turning by 0.05.
StepResult spinningLine(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    s.spinAngle += 0.05;
    const double phi = 6.28 / 12 + s.spinAngle;
    const double dx = 250 * std::cos(phi), dy = 250 * std::sin(phi);
    segment(ctx.canvas, x + dx, y + dy, x - dx, y - dy);
    return StepResult::Continue;
}

} // namespace pemma::brushes
