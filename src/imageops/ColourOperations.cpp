// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imageops/ImageFrame.h"
#include "imageops/Parallel.h"
#include "imageops/Runners.h"

namespace pemma::imageops {

namespace {

// Pen width 1, step 1: every pixel of the region inside the drawing is read
// and repainted on its own, so the order of the pass does not matter and the
// rows are shared out among the threads.
template <typename Map>
void pointPass(QImage& image, int lastX, int lastY, Map map)
{
    const Rows rows(image);
    parallelFor(lastY, 16, [&](int begin, int end) {
        const int last = lastX; // a local, as the stores could alias it
        for (int y = begin + 1; y <= end; ++y) {
            QRgb* row = rows[y];
            for (int x = 1; x <= last; ++x)
                row[x] = map(row[x]);
        }
    });
}

// The saturation changes, from the table by key; where the key arithmetic
// is exact (it is for both), eight pixels at a time in 16-bit lanes.
template <bool halving>
QRgb keyedPixel(QRgb q, const std::uint8_t* t)
{
    const unsigned r = (q >> 16) & 0xFFu, g = (q >> 8) & 0xFFu, b = q & 0xFFu, sum = r + g + b;
    auto key = [sum](unsigned v) { return halving ? halvingKey(v, sum) : doublingKey(v, sum); };
    return kOpaque | (QRgb(t[key(r)]) << 16) | (QRgb(t[key(g)]) << 8) | t[key(b)];
}

#if defined(__SSE2__)
template <bool halving>
__m128i keyedComponents(__m128i v, __m128i sum)
{
    if (halving) // floor((3v + s) / 6)
        return _mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(v, _mm_add_epi16(v, v)), sum), _mm_set1_epi16(10923));
    // floor((6v + 765 - s) / 3) - 255, held to 0 .. 255
    const __m128i v3 = _mm_add_epi16(v, _mm_add_epi16(v, v));
    const __m128i k = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(v3, v3), _mm_set1_epi16(765)), sum);
    const __m128i n = _mm_sub_epi16(_mm_mulhi_epu16(k, _mm_set1_epi16(21846)), _mm_set1_epi16(255));
    return _mm_min_epi16(_mm_max_epi16(n, _mm_setzero_si128()), _mm_set1_epi16(255));
}

template <bool halving>
void keyedEight(QRgb* p)
{
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4));
    const __m128i byte = _mm_set1_epi32(0xFF);
    auto component = [&](int shift) {
        return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, shift), byte),
                               _mm_and_si128(_mm_srli_epi32(hi, shift), byte));
    };
    const __m128i r = component(16), g = component(8), b = component(0);
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(r, g), b);
    const __m128i nr = keyedComponents<halving>(r, sum), ng = keyedComponents<halving>(g, sum),
                  nb = keyedComponents<halving>(b, sum);
    const __m128i blueGreen = _mm_or_si128(nb, _mm_slli_epi16(ng, 8));
    const __m128i redAlpha = _mm_or_si128(nr, _mm_set1_epi16(static_cast<short>(0xFF00)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi16(blueGreen, redAlpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4), _mm_unpackhi_epi16(blueGreen, redAlpha));
}
#endif

void keyedPass(QImage& image, int lastX, int lastY, const ColourTable& table)
{
    const bool halving = table.keyForm() == 19;
    const std::uint8_t* t = table.byKey();
    const Rows rows(image);
    const bool eightAtATime = table.keyArithmeticExact();
    parallelFor(lastY, 16, [&](int begin, int end) {
        const int last = lastX;
        for (int y = begin + 1; y <= end; ++y) {
            QRgb* row = rows[y];
            int x = 1;
#if defined(__SSE2__)
            if (eightAtATime)
                for (; x + 7 <= last; x += 8)
                    halving ? keyedEight<true>(row + x) : keyedEight<false>(row + x);
#endif
            for (; x <= last; ++x)
                row[x] = halving ? keyedPixel<true>(row[x], t) : keyedPixel<false>(row[x], t);
        }
    });
}

void pointPass(QImage& image, int lastX, int lastY, const ColourTable& table)
{
    switch (table.dependence()) {
    case ColourDependence::AsRead:
        pointPass(image, lastX, lastY, [](QRgb q) { return q | kOpaque; });
        break;
    case ColourDependence::EachComponent: {
        // Each component's new value already in its place in the pixel.
        std::array<std::array<QRgb, 256>, 3> placed;
        for (int v = 0; v < 256; ++v) {
            placed[0][v] = kOpaque | (QRgb(table.component(0)[v]) << 16);
            placed[1][v] = QRgb(table.component(1)[v]) << 8;
            placed[2][v] = table.component(2)[v];
        }
        pointPass(image, lastX, lastY, [&placed](QRgb q) {
            return placed[0][(q >> 16) & 0xFFu] | placed[1][(q >> 8) & 0xFFu] | placed[2][q & 0xFFu];
        });
        break;
    }
    case ColourDependence::Sum: {
        const QRgb* bySum = table.bySum();
        pointPass(image, lastX, lastY,
                  [bySum](QRgb q) { return bySum[((q >> 16) & 0xFFu) + ((q >> 8) & 0xFFu) + (q & 0xFFu)]; });
        break;
    }
    case ColourDependence::ComponentAndSum:
        switch (table.keyForm()) {
        case 19:
        case 20:
            keyedPass(image, lastX, lastY, table);
            break;
        default:
            pointPass(image, lastX, lastY, [&table](QRgb q) { return table.map(q); });
            break;
        }
        break;
    }
}

// The dots of one sample row or two that reach a pixel row, as row spans:
// dot i of sample row k covers the pixels 1 + i * step - half[k] to
// 1 + i * step + half[k]. Each half is below the step.
struct DotRow {
    int count = 0;
    int half[2] = {0, 0};
    const QRgb* from[2] = {nullptr, nullptr}; // colour of each dot, 0 paints nothing

    // Paints the dots in walk order (by column, then by sample row), only
    // their pixels in [begin, end).
    void paint(QRgb* row, int begin, int end, int columns, int step) const
    {
        for (int i = 0; i < columns; ++i) {
            const int x = 1 + i * step;
            if (x - step > end)
                break;
            if (x + step < begin)
                continue;
            for (int k = 0; k < count; ++k) {
                const QRgb c = from[k][i];
                if (c == 0)
                    continue;
                const int x0 = std::max(begin, x - half[k]), x1 = std::min(end - 1, x + half[k]);
                for (int px = x0; px <= x1; ++px)
                    row[px] = c;
            }
        }
    }

    // Pixels 1 to end - 1, where every pixel 1 + q * step + phase lies between
    // dots q and q + 1, both of which paint: what the last dot painting it in
    // walk order leaves. Dot q + 1 comes after dot q, and the second sample
    // row after the first; a dot q - 1 or q + 2 never reaches it.
    void paintBetween(QRgb* row, int end, int step) const
    {
        for (int phase = 0; phase < step; ++phase) {
            const QRgb* source = nullptr;
            for (int k = 0; k < count; ++k)
                if (step - phase <= half[k])
                    source = from[k] + 1;
            if (!source)
                for (int k = 0; k < count; ++k)
                    if (phase <= half[k])
                        source = from[k];
            if (!source)
                continue;
            for (int px = 1 + phase, q = 0; px < end; px += step, ++q)
                row[px] = source[q];
        }
    }
};

// Wider pens: one dot per sample, painted in walk order (column by column,
// each from the top), so that where dots overlap the later one stays. No dot
// reaches another sample point, so every sample is read as it was before the
// command: the colours of all samples are worked out first, then the dots are
// painted row by row. Within a row the dots go in walk order, and a row's
// pixels depend on nothing painted in other rows, so the rows are shared out
// among the threads.
void dotPass(Canvas& canvas, const ColourRule& rule, const ColourTable& table, const WalkAxis& ax,
             const WalkAxis& ay)
{
    const Rows rows(canvas.image());
    const int w = rows.width(), h = rows.height();
    const Canvas::DotShape& dot = Canvas::dotShape(rule.penWidth);
    const int reach = dot.reach;
    const int s = rule.step;
    // Samples beyond these reach the drawing with no part of their dot.
    const int nx = ax.countUpTo(static_cast<long long>(w) - 1 + reach);
    const int ny = ay.countUpTo(static_cast<long long>(h) - 1 + reach);
    if (nx == 0 || ny == 0)
        return;

    // What a sample beyond the drawing paints; 0 (never a drawing colour, as
    // those are opaque) for nothing.
    constexpr QRgb kNothing = 0;
    QRgb outside = kNothing;
    if (!rule.testsRead) {
        const Colour c = rule.newColour(kInvalidColour);
        if (c >= 0)
            outside = Canvas::toRgb(c);
    }

    // The new colour of every sample, sample row by sample row.
    std::vector<QRgb> colours(static_cast<size_t>(nx) * ny);
    const int insideX = std::min(nx, ax.countUpTo(w - 1));
    parallelFor(ny, 16, [&](int j0, int j1) {
        // Locals, as the stores could alias captured values.
        const int columns = nx, inside = insideX, step = s, height = h;
        const QRgb beyond = outside;
        for (int j = j0; j < j1; ++j) {
            QRgb* out = &colours[static_cast<size_t>(j) * columns];
            const int y = 1 + j * step;
            int i = 0;
            if (y < height) {
                const QRgb* src = rows[y];
                for (; i < inside; ++i)
                    out[i] = table.map(src[1 + i * step]);
            }
            for (; i < columns; ++i)
                out[i] = beyond;
        }
    });

    const int bottom = std::min(h - 1, 1 + (ny - 1) * s + reach);
    parallelFor(bottom + 1, 8, [&](int y0, int y1) {
        for (int py = y0; py < y1; ++py) {
            // The sample rows whose dots reach this row, in walk order: at
            // most two, as dots of one column never reach the next sample.
            DotRow dots;
            bool allInside = true;
            const int jLo = std::max(0, (py - reach - 1 + s - 1) / s);
            for (int j = jLo; j < ny && 1 + j * s <= py + reach && dots.count < 2; ++j) {
                const int dy = py - (1 + j * s);
                if (dy < -reach)
                    continue;
                dots.half[dots.count] = dot.spans[dy + reach];
                dots.from[dots.count] = &colours[static_cast<size_t>(j) * nx];
                ++dots.count;
                allInside = allInside && 1 + j * s < h;
            }
            QRgb* row = rows[py];
            if (!allInside || insideX < 2) {
                dots.paint(row, 0, w, nx, s);
                continue;
            }
            // Pixels 1 + q * s + phase with 0 <= q <= insideX - 2 lie between
            // two samples inside the drawing; the rest go dot by dot.
            const int end = std::min(w, (insideX - 1) * s + 1);
            dots.paint(row, 0, 1, nx, s);
            dots.paintBetween(row, end, s);
            dots.paint(row, end, w, nx, s);
        }
    });
    const int right = std::min(w - 1, 1 + (nx - 1) * s + reach);
    canvas.markDirty(QRect(QPoint(0, 0), QPoint(right, bottom)));
}

} // namespace

void runColourOperation(const ColourRule& rule, OperationContext& ctx)
{
    DrawingState& state = ctx.state;
    Canvas& canvas = ctx.canvas;
    applyDefaultPictureSize(state);
    canvas.setDrawWidth(rule.penWidth);

    const WalkAxis ax{regionWidth(state), rule.step};
    const WalkAxis ay{regionHeight(state), rule.step};
    if (ax.empty() || ay.empty())
        return;
    ensureRgb32(canvas);
    const int w = canvas.width(), h = canvas.height();
    const double lastX = ax.last(), lastY = ay.last();
    // Nothing paints over the last sample before it is read.
    const Colour lastRead = readAt(canvas, lastX, lastY);
    const ColourTable& table = ColourTable::of(rule);

    if (rule.penWidth == 1 && rule.step == 1) {
        const int nx = ax.countUpTo(w - 1), ny = ay.countUpTo(h - 1);
        pointPass(canvas.image(), nx, ny, table);
        if (nx > 0 && ny > 0)
            canvas.markDirty(QRect(1, 1, nx, ny));
    } else {
        dotPass(canvas, rule, table, ax, ay);
    }

    state.pixelColour = lastRead;
    if (!rule.testsRead) {
        leavePositionAt(canvas, lastX, lastY);
    } else {
        // The last point painted is the last sample inside the drawing.
        const int nx = ax.countUpTo(w - 1), ny = ay.countUpTo(h - 1);
        if (nx > 0 && ny > 0)
            leavePositionAt(canvas, 1.0 + (nx - 1) * rule.step, 1.0 + (ny - 1) * rule.step);
    }
}

} // namespace pemma::imageops
