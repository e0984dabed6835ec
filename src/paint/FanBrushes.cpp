// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
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
// start) and marks the same repaint area.
//
// It works run by run. A run is a row's stretch of open pixels between
// border pixels or the edges; since every fill paints a whole run, a run is
// either wholly open or wholly filled, so a run found open keeps its ends
// until it is filled. Each pending run remembers the span it was found from
// (the parent, one row away and already filled): on the parent's row only
// what lies beyond that span needs looking at. So a plain area costs about
// one read and one write of each pixel. The rows are read sixteen pixels at
// a time.
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
        const QRgb* start = row(y);
        if (!open(start[x]))
            return {};
        int minX = x, maxX = x, minY = y, maxY = y;
        // Kept from fill to fill: a fill allocates only when it meets more
        // pending runs than any fill before it.
        thread_local std::vector<Pending> pending;
        pending.clear();
        // The first run has no parent (its span lies beyond the right edge):
        // both neighbouring rows are looked at in full.
        pending.push_back({openFrom(start, x), openUntil(start, x, w_) - 1, y, w_ + 1, w_, 1});
        while (!pending.empty()) {
            const Pending p = pending.back();
            pending.pop_back();
            QRgb* r = row(p.y);
            if (!open(r[p.left]))
                continue; // filled meanwhile from another parent
            canvas_.aboutToWrite(QRect(p.left, p.y, p.right - p.left + 1, 1));
            std::fill(r + p.left, r + p.right + 1, fill_);
            minX = std::min(minX, p.left);
            maxX = std::max(maxX, p.right);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
            // Onwards, the whole run; back towards the parent, only beyond
            // the parent's span (which is filled).
            const int ahead = p.y + p.dir, behind = p.y - p.dir;
            if (ahead >= 0 && ahead < h_)
                findRuns(pending, ahead, p.left, p.right, p.dir, p.left, p.right);
            if (behind >= 0 && behind < h_) {
                findRuns(pending, behind, p.left, std::min(p.right, p.parentLeft - 1), -p.dir, p.left, p.right);
                findRuns(pending, behind, std::max(p.left, p.parentRight + 1), p.right, -p.dir, p.left, p.right);
            }
        }
        return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
    }

private:
    static constexpr QRgb kRgb = 0xFFFFFFu;
    static constexpr std::uintptr_t kPrefetchAhead = 4096;

    // An open run [left, right] of row y waiting to be filled, found from
    // the span [parentLeft, parentRight] of row y - dir (a span beyond the
    // drawing for the first run).
    struct Pending {
        int left, right, y;
        int parentLeft, parentRight, dir;
    };

    QRgb* row(int y) const { return bits_ + y * stride_; }
    bool open(QRgb p) const { return (p & kRgb) != border_; }

    // Queues every open run of row y that has a pixel in [from, to], with its
    // full extent.
    void findRuns(std::vector<Pending>& pending, int y, int from, int to, int dir, int parentLeft, int parentRight) const
    {
        const QRgb* n = row(y);
        for (int px = closedUntil(n, from, to + 1); px <= to; px = closedUntil(n, px, to + 1)) {
            const int left = px == from ? openFrom(n, px) : px; // a run cut by `from` may reach further
            const int end = openUntil(n, px, w_);
            pending.push_back({left, end - 1, y, parentLeft, parentRight, dir});
            px = end;
        }
    }

#if defined(__SSE2__)
    // All ones in each lane whose pixel is of the border colour.
    __m128i hits(const QRgb* p) const
    {
        const __m128i rgb = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                          _mm_set1_epi32(static_cast<int>(kRgb)));
        return _mm_cmpeq_epi32(rgb, _mm_set1_epi32(static_cast<int>(border_)));
    }
    static unsigned lanes(__m128i v) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(v))); }
    static unsigned lanes16(__m128i a, __m128i b, __m128i c, __m128i d)
    {
        return lanes(a) | lanes(b) << 4 | lanes(c) << 8 | lanes(d) << 12;
    }
    // Bit k set where pixel p[k] (k = 0..15) is of the border colour.
    unsigned borderMask16(const QRgb* p) const { return lanes16(hits(p), hits(p + 4), hits(p + 8), hits(p + 12)); }
    // Whether any of p[0..15] is of the border colour: the bit mask is only
    // worked out where a run ends.
    bool anyBorder16(const QRgb* p, unsigned& mask) const
    {
        // The processor's own prefetching stops at each page's end, several
        // times a row; asking for a page ahead keeps the reads streaming. (A
        // prefetch never faults; the address is only worked out as a number.)
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(p) + kPrefetchAhead), _MM_HINT_T0);
        const __m128i a = hits(p), b = hits(p + 4), c = hits(p + 8), d = hits(p + 12);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0)
            return false;
        mask = lanes16(a, b, c, d);
        return true;
    }
    bool anyOpen16(const QRgb* p, unsigned& mask) const
    {
        const __m128i a = hits(p), b = hits(p + 4), c = hits(p + 8), d = hits(p + 12);
        if (_mm_movemask_epi8(_mm_and_si128(_mm_and_si128(a, b), _mm_and_si128(c, d))) == 0xFFFF)
            return false;
        mask = ~lanes16(a, b, c, d) & 0xFFFFu;
        return true;
    }
#else
    unsigned borderMask16(const QRgb* p) const
    {
        unsigned mask = 0;
        for (int k = 0; k < 16; ++k)
            mask |= static_cast<unsigned>((p[k] & kRgb) == border_) << k;
        return mask;
    }
    bool anyBorder16(const QRgb* p, unsigned& mask) const { return (mask = borderMask16(p)) != 0; }
    bool anyOpen16(const QRgb* p, unsigned& mask) const { return (mask = ~borderMask16(p) & 0xFFFFu) != 0; }
#endif

    // The first pixel at or after from, before to, that is not open (to if none).
    int openUntil(const QRgb* r, int from, int to) const
    {
        int i = from;
        unsigned m = 0;
        for (; i + 16 <= to; i += 16)
            if (anyBorder16(r + i, m))
                return i + std::countr_zero(m);
        while (i < to && open(r[i]))
            ++i;
        return i;
    }
    // The first open pixel at or after from, before to (to if none).
    int closedUntil(const QRgb* r, int from, int to) const
    {
        int i = from;
        unsigned m = 0;
        for (; i + 16 <= to; i += 16)
            if (anyOpen16(r + i, m))
                return i + std::countr_zero(m);
        while (i < to && !open(r[i]))
            ++i;
        return i;
    }
    // The leftmost pixel of the open run that holds the open pixel at.
    int openFrom(const QRgb* r, int at) const
    {
        int i = at;
        for (; i >= 16; i -= 16)
            if (const unsigned m = borderMask16(r + i - 16))
                return i - 16 + std::bit_width(m);
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
