// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/ShownCells.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "canvas/HelperThread.h"

namespace pemma {

namespace {

// Changed cells this many unchanged cells apart or closer are repainted as
// one rectangle: each rectangle costs the window and the display more than
// the pixels between.
constexpr int kBridgedCells = 2;
// Below this many pixels the check stays on the calling thread.
constexpr qint64 kSplitArea = 512 * 512;

// 0xAARRGGBB words: an opaque pixel is the same word in each of these, and a
// pixel that is not opaque in one of them only ever compares as changed (an
// RGB32 image keeps its alpha at 0xff).
bool argbWords(QImage::Format f)
{
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

// The bits in which n pixels from p differ from v; a whole cell's row in
// a loop of known length, which the compiler widens.
QRgb differenceFrom(const QRgb* p, int n, QRgb v)
{
    QRgb d = 0;
    if (n == ShownCells::kCellWidth) {
        for (int i = 0; i < ShownCells::kCellWidth; ++i)
            d |= p[i] ^ v;
        return d;
    }
    for (int i = 0; i < n; ++i)
        d |= p[i] ^ v;
    return d;
}

bool differ(const QRgb* a, const QRgb* b, int n) { return std::memcmp(a, b, sizeof(QRgb) * static_cast<size_t>(n)) != 0; }

// What a strip found for one of its cells.
struct CellCheck {
    QRgb first = 0;        // the drawing's colour at the cell's top left
    bool uniform = true;   // the drawing shows first all over the cell
    bool changed = false;  // it differs from what the window shows
};

// Joins the runs of a strip (sorted, apart) that are at most `widest`
// pixels apart.
void joinGaps(std::vector<QRect>& runs, int widest)
{
    size_t kept = 0;
    for (size_t i = 1; i < runs.size(); ++i) {
        if (runs[i].left() - runs[kept].right() - 1 <= widest)
            runs[kept].setRight(runs[i].right());
        else
            runs[++kept] = runs[i];
    }
    if (!runs.empty())
        runs.resize(kept + 1);
}

// One strip of the rows of two neighbouring strips, covering the runs of
// both.
std::vector<QRect> joinStrips(const std::vector<QRect>& upper, const std::vector<QRect>& lower)
{
    if (upper.empty() || lower.empty())
        return upper.empty() ? lower : upper;
    const int top = upper.front().top(), bottom = lower.front().bottom();
    std::vector<QRect> runs;
    size_t i = 0, j = 0;
    while (i < upper.size() || j < lower.size()) {
        const bool fromUpper = j == lower.size() || (i < upper.size() && upper[i].left() <= lower[j].left());
        const QRect& r = fromUpper ? upper[i++] : lower[j++];
        if (!runs.empty() && r.left() <= runs.back().right() + 1)
            runs.back().setRight(std::max(runs.back().right(), r.right()));
        else
            runs.emplace_back(QPoint(r.left(), top), QPoint(r.right(), bottom));
    }
    return runs;
}

// Brings the runs of the strips down to at most `most` rectangles:
// joins runs across the narrowest gaps when that is enough, else first
// joins neighbouring strips two by two.
void fewerRectangles(std::vector<std::vector<QRect>>& strips, size_t most)
{
    for (;;) {
        size_t total = 0;
        std::vector<int> gaps;
        for (const auto& runs : strips) {
            total += runs.size();
            for (size_t i = 1; i < runs.size(); ++i)
                gaps.push_back(runs[i].left() - runs[i - 1].right() - 1);
        }
        if (total <= most)
            return;
        const size_t excess = total - most;
        if (excess <= gaps.size()) {
            std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(excess - 1), gaps.end());
            for (auto& runs : strips)
                joinGaps(runs, gaps[excess - 1]);
            return;
        }
        std::vector<std::vector<QRect>> joined;
        for (size_t i = 0; i < strips.size(); i += 2)
            joined.push_back(i + 1 < strips.size() ? joinStrips(strips[i], strips[i + 1]) : strips[i]);
        strips.swap(joined);
    }
}

} // namespace

ShownCells::ShownCells(int width, int height, int mostRects)
    : mostRects_(std::max(mostRects, 1)),
      columns_((std::max(width, 0) + kCellWidth - 1) / kCellWidth),
      bounds_(0, 0, std::max(width, 0), std::max(height, 0)),
      cells_(static_cast<size_t>(columns_) * static_cast<size_t>((bounds_.height() + kCellHeight - 1) / kCellHeight), 0)
{
}

void ShownCells::forget(const QRect& area)
{
    const QRect a = area & bounds_;
    if (a.isEmpty())
        return;
    for (int cy = a.top() / kCellHeight; cy <= a.bottom() / kCellHeight; ++cy)
        std::fill_n(cells_.begin() + static_cast<std::ptrdiff_t>(cy) * columns_ + a.left() / kCellWidth,
                    a.right() / kCellWidth - a.left() / kCellWidth + 1, 0);
}

void ShownCells::forgetAll() { std::fill(cells_.begin(), cells_.end(), 0); }

QRegion ShownCells::changed(const QImage& drawing, const QRect& area, const QImage* shown, QPoint offset)
{
    const QRect a = area & bounds_;
    if (a.isEmpty())
        return {};
    if (drawing.format() != QImage::Format_RGB32 || !drawing.rect().contains(bounds_)) {
        forget(a);
        return a;
    }
    if (shown && (!argbWords(shown->format()) || !shown->rect().contains(bounds_.translated(offset))))
        shown = nullptr;

    const int cx0 = a.left() / kCellWidth, cx1 = a.right() / kCellWidth;
    const int cy0 = a.top() / kCellHeight, cy1 = a.bottom() / kCellHeight;
    const int cells = cx1 - cx0 + 1, strips = cy1 - cy0 + 1;
    std::vector<std::vector<QRect>> found(static_cast<size_t>(strips));

    std::atomic<int> next{0};
    auto work = [&] {
        std::vector<CellCheck> checks(static_cast<size_t>(cells));
        for (int s = next.fetch_add(1); s < strips; s = next.fetch_add(1)) {
            const int cy = cy0 + s;
            const int top = cy * kCellHeight;
            const int bottom = std::min(top + kCellHeight, bounds_.bottom() + 1);
            QRgb* record = cells_.data() + static_cast<ptrdiff_t>(cy) * columns_ + cx0;
            std::fill(checks.begin(), checks.end(), CellCheck{});
            for (int y = top; y < bottom; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(drawing.constScanLine(y));
                const QRgb* shownRow =
                    shown ? reinterpret_cast<const QRgb*>(shown->constScanLine(y + offset.y())) + offset.x() : nullptr;
                for (int c = 0; c < cells; ++c) {
                    CellCheck& k = checks[static_cast<size_t>(c)];
                    // Nothing more to learn of a cell already found changed
                    // and of several colours.
                    if (k.changed && !k.uniform)
                        continue;
                    const int x = (cx0 + c) * kCellWidth;
                    const int n = std::min(kCellWidth, bounds_.right() + 1 - x);
                    if (y == top)
                        k.first = row[x];
                    if (k.uniform && differenceFrom(row + x, n, k.first) != 0)
                        k.uniform = false;
                    if (k.changed)
                        continue;
                    const QRgb known = record[c];
                    if (known != 0)
                        k.changed = !k.uniform || k.first != known;
                    else if (shownRow)
                        k.changed = differ(row + x, shownRow + x, n);
                    else
                        k.changed = true;
                }
            }
            std::vector<QRect>& rects = found[static_cast<size_t>(s)];
            for (int c = 0; c < cells; ++c) {
                const CellCheck& k = checks[static_cast<size_t>(c)];
                if (k.changed || record[c] == 0)
                    record[c] = k.uniform ? k.first : 0;
            }
            for (int c = 0; c < cells;) {
                if (!checks[static_cast<size_t>(c)].changed) {
                    ++c;
                    continue;
                }
                int e = c + 1;
                while (e < cells && checks[static_cast<size_t>(e)].changed)
                    ++e;
                const int left = (cx0 + c) * kCellWidth;
                const int right = std::min((cx0 + e) * kCellWidth, bounds_.right() + 1);
                rects.emplace_back(left, top, right - left, bottom - top);
                c = e;
            }
            joinGaps(rects, kBridgedCells * kCellWidth);
        }
    };
    if (static_cast<qint64>(a.width()) * a.height() >= kSplitArea)
        runBeside(work, work);
    else
        work();
    fewerRectangles(found, static_cast<size_t>(mostRects_));

    // A strip with the same runs as the one above it lengthens its
    // rectangles.
    std::vector<QRect> all;
    size_t above = 0, aboveCount = 0;
    for (const auto& rects : found) {
        const bool same = !rects.empty() && rects.size() == aboveCount &&
                          std::equal(rects.begin(), rects.end(), all.begin() + static_cast<std::ptrdiff_t>(above),
                                     [](const QRect& r, const QRect& up) {
                                         return r.left() == up.left() && r.right() == up.right();
                                     });
        if (same) {
            for (size_t i = 0; i < rects.size(); ++i)
                all[above + i].setBottom(rects[i].bottom());
            continue;
        }
        above = all.size();
        aboveCount = rects.size();
        all.insert(all.end(), rects.begin(), rects.end());
    }
    QRegion region;
    region.setRects(all.data(), static_cast<int>(all.size()));
    return region;
}

} // namespace pemma
