// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/Canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <memory>

#include "canvas/HelperThread.h"
#include "canvas/ScreenImage.h"
#include "state/Rounding.h"

namespace pemma {

namespace {

// Coordinates far beyond anything the program paints are refused rather than
// handed to the rasteriser.
constexpr double kMaxCoordinate = 1.0e7;

bool usable(double v) { return std::isfinite(v) && std::fabs(v) < kMaxCoordinate; }

QPen penFor(Colour c, int width)
{
    QPen pen(QColor::fromRgb(Canvas::toRgb(c)));
    pen.setWidth(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Every pixel a shape of pen width w drawn over `shape` can reach, with a
// margin for the rasteriser's rounding.
QRect reach(const QRectF& shape, int w)
{
    const int m = w / 2 + 2;
    return shape.normalized().toAlignedRect().adjusted(-m, -m, m, m);
}

void beginAliased(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
}

// How far beyond its centre line the rasteriser may set pixels for a Qt pen
// of width w: half the width, rounded up, and one pixel for where the pixel
// grid falls. Qt's painting is clipped to the area this gives, so it only
// decides how much is repainted, never what may be missed.
int rasterReach(int w) { return (w + 1) / 2 + 1; }

// What cls() puts on the drawing: the background colour (black when it is
// the invalid colour), the picture over it from the top-left corner.
// The pixel of the background colour (black for the invalid colour).
QRgb backRgb(Colour back) { return back < 0 ? Canvas::toRgb(kBlack) : Canvas::toRgb(back); }

void paintBackground(QImage& image, Colour back, const QImage& picture)
{
    image.fill(backRgb(back));
    if (!picture.isNull()) {
        QPainter p(&image);
        p.drawImage(QPoint(0, 0), picture);
    }
}

int clampedWidth(double w) { return std::clamp(roundHalfEven(w), 1, 32767); }

// The rectangle with corners a and b, whichever way round they lie.
QRect spanned(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

} // namespace

Canvas::Canvas(int width, int height) : image_(makeScreenImage(std::max(1, width), std::max(1, height)))
{
    plainRgb_ = toRgb(backColor_);
    dirty_ = image_.rect();
}

void Canvas::setDrawWidth(double w)
{
    drawWidth_ = clampedWidth(w);
}

void Canvas::setBackColor(Colour c)
{
    backColor_ = c;
    backdrop_ = QImage();
    cls();
}

void Canvas::setPicture(const QImage& picture)
{
    picture_ = picture;
    backdrop_ = QImage();
    cls();
}

const QImage& Canvas::backdrop()
{
    if (backdrop_.size() != image_.size()) {
        backdrop_ = makeScreenImage(image_.width(), image_.height());
        paintBackground(backdrop_, backColor_, picture_);
    }
    return backdrop_;
}

// A ring is announced arc by arc, so that a wide ring does not announce
// the whole box around it. Beyond this many arcs (a ring reaching far off the
// drawing) the box is announced.
namespace {
constexpr double kPieceLength = 32;
constexpr int kMostPieces = 1024;
} // namespace

void Canvas::announceSegment(QPoint a, QPoint b, int width)
{
    // Half the pen and a margin for the rasteriser's rounding.
    plain_ = false;
    if (observer_)
        observer_->aboutToWriteAlong(a, b, width / 2 + 2);
}

void Canvas::announceCircle(double x, double y, double radius, bool filled)
{
    if (!observer_)
        return;
    constexpr double kPi = 3.14159265358979323846;
    const int pieces = static_cast<int>(std::ceil(2 * kPi * radius / kPieceLength));
    if (filled || pieces < 8 || pieces > kMostPieces) {
        aboutToWrite(reach(QRectF(x - radius, y - radius, 2 * radius, 2 * radius), drawWidth_));
        return;
    }
    // Each arc lies within its chord's box widened by the arc's height.
    const double step = 2 * kPi / pieces;
    const int bulge = static_cast<int>(std::ceil(radius * (1 - std::cos(step / 2))));
    QPointF from(x + radius, y);
    for (int i = 1; i <= pieces; ++i) {
        const QPointF to(x + radius * std::cos(i * step), y + radius * std::sin(i * step));
        aboutToWrite(reach(QRectF(from, to), drawWidth_).adjusted(-bulge, -bulge, bulge, bulge));
        from = to;
    }
}

void Canvas::cls()
{
    const QRgb back = backRgb(backColor_);
    // A blank drawing of the same colour is left as it is: at start the
    // settings' colour is most often the one the drawing was made with, and
    // a screen-sized image need not be written twice.
    const bool unchanged = picture_.isNull() && plainRgb() == back;
    aboutToWrite(image_.rect());
    if (!unchanged) {
        paintBackground(image_, backColor_, picture_);
        unwritten_ = false;
    }
    plain_ = picture_.isNull();
    plainRgb_ = back;
    curX_ = curY_ = 0;
    dirty_ = image_.rect();
}

QRect Canvas::takeDirty()
{
    const QRect r = dirty_;
    dirty_ = QRect();
    return r;
}

QRect Canvas::claim(const QRect& area)
{
    const QRect r = area.intersected(image_.rect());
    if (r.isEmpty())
        return QRect();
    fillIfUnwritten();
    plain_ = false;
    dirty_ |= r;
    return r;
}

void Canvas::fillRows(const QRect& r, QRgb rgb)
{
    for (int py = r.top(); py <= r.bottom(); ++py) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(py));
        std::fill(row + r.left(), row + r.right() + 1, rgb);
    }
}

void Canvas::line(double x1, double y1, double x2, double y2)
{
    line(x1, y1, x2, y2, foreColor_);
}

template <typename MakePen>
void Canvas::strokeSegment(QPoint a, QPoint b, int width, MakePen makePen)
{
    const int m = rasterReach(width);
    const QRect area = claim(spanned(a, b).adjusted(-m, -m, m, m));
    if (area.isEmpty())
        return;
    announceSegment(a, b, width);
    const QPen pen = makePen();
    QPainter p(&image_);
    beginAliased(p);
    p.setClipRect(area);
    p.setPen(pen);
    p.drawLine(QPointF(a), QPointF(b));
}

void Canvas::line(double x1, double y1, double x2, double y2, Colour c)
{
    curX_ = x2;
    curY_ = y2;
    if (c < 0 || !usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
        return;
    // End points land on pixels the way every position does: rounded, halves
    // to even (the rasteriser alone would cut 100.6 down to 100).
    const QPoint a(roundHalfEven(x1), roundHalfEven(y1)), b(roundHalfEven(x2), roundHalfEven(y2));
    if (a == b) {
        // Both ends on one pixel: what the pen paints there, the dot.
        paintDot(a.x(), a.y(), toRgb(c));
        return;
    }
    strokeSegment(a, b, drawWidth_, [&] { return penFor(c, drawWidth_); });
}

void Canvas::lineTo(double x2, double y2)
{
    line(curX_, curY_, x2, y2, foreColor_);
}

void Canvas::box(double x1, double y1, double x2, double y2)
{
    curX_ = x2;
    curY_ = y2;
    if (!usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
        return;
    const bool filled = fillStyle_ == Solid && fillColor_ >= 0;
    const bool outlined = foreColor_ >= 0;
    if (!outlined && !filled)
        return;
    // The rectangle between the rounded corners, both ends included. Its
    // outline covers the pixels no further than half the pen width from its
    // edges (square corners): r pixels out and in from each edge.
    const QRect rect = spanned(QPoint(roundHalfEven(x1), roundHalfEven(y1)),
                               QPoint(roundHalfEven(x2), roundHalfEven(y2)));
    const int r = drawWidth_ / 2;
    const QRect area = claim(outlined ? rect.adjusted(-r, -r, r, r) : rect);
    if (area.isEmpty())
        return;
    if (filled || !observer_) {
        aboutToWrite(area);
    } else { // the outline's four bands, so that a large frame does not take in its inside
        aboutToWrite(area & QRect(area.left(), rect.top() - r, area.width(), 2 * r + 1));
        aboutToWrite(area & QRect(area.left(), rect.bottom() - r, area.width(), 2 * r + 1));
        aboutToWrite(area & QRect(rect.left() - r, area.top(), 2 * r + 1, area.height()));
        aboutToWrite(area & QRect(rect.right() - r, area.top(), 2 * r + 1, area.height()));
    }
    if (!outlined) {
        fillRows(area, toRgb(fillColor_));
        return;
    }
    const QRgb pen = toRgb(foreColor_);
    if (rect.width() == 1 && rect.height() == 1) {
        // Both corners on one pixel: what the pen paints there, the dot
        // (which covers the one pixel a fill would take).
        paintDot(rect.x(), rect.y(), pen);
        return;
    }
    // The fill shows only in the hole inside the outline. Rows across the
    // hole get the outline's two sides; the others are solid from end to end.
    const QRect hole = rect.adjusted(r + 1, r + 1, -(r + 1), -(r + 1));
    if (filled && hole.isValid())
        fillRows(hole & area, toRgb(fillColor_));
    for (int py = area.top(); py <= area.bottom(); ++py) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(py));
        if (hole.isValid() && py >= hole.top() && py <= hole.bottom()) {
            // Either side may lie beyond the drawing.
            const int leftEnd = std::min(area.right(), hole.left() - 1);
            const int rightStart = std::max(area.left(), hole.right() + 1);
            if (area.left() <= leftEnd)
                std::fill(row + area.left(), row + leftEnd + 1, pen);
            if (rightStart <= area.right())
                std::fill(row + rightStart, row + area.right() + 1, pen);
        } else {
            std::fill(row + area.left(), row + area.right() + 1, pen);
        }
    }
}

void Canvas::circle(double x, double y, double radius)
{
    if (!usable(x) || !usable(y) || !usable(radius))
        return;
    radius = std::fabs(radius);
    if (radius == 0) {
        // Over the batch's circles so far, as painted one by one.
        paintPendingCircles();
        pset(x, y, foreColor_);
        return;
    }
    const bool filled = fillStyle_ == Solid && fillColor_ >= 0;
    if (foreColor_ < 0 && !filled)
        return;
    const int m = rasterReach(drawWidth_);
    const QRect area = claim(QRect(QPoint(static_cast<int>(std::floor(x - radius)) - m,
                                          static_cast<int>(std::floor(y - radius)) - m),
                                   QPoint(static_cast<int>(std::ceil(x + radius)) + m,
                                          static_cast<int>(std::ceil(y + radius)) + m)));
    if (area.isEmpty())
        return;
    PendingCircle c{QPointF(x, y), radius,
                    foreColor_ >= 0 ? penFor(foreColor_, drawWidth_) : QPen(Qt::NoPen),
                    filled ? QBrush(QColor::fromRgb(toRgb(fillColor_))) : QBrush(Qt::NoBrush), area};
    announceCircle(x, y, radius, filled);
    if (batching_) {
        pending_.push_back(std::move(c));
        return;
    }
    QPainter p(&image_);
    paintCircle(p, c, area);
}

void Canvas::paintCircle(QPainter& p, const PendingCircle& c, const QRect& band)
{
    const QRect clip = c.area & band;
    if (clip.isEmpty())
        return;
    beginAliased(p);
    p.setClipRect(clip);
    p.setPen(c.pen);
    p.setBrush(c.brush);
    p.drawEllipse(c.centre, c.radius, c.radius);
}

namespace {

// Below this many pixels a batch is painted on one thread: handing half of
// it over would cost more than it saves.
constexpr qint64 kSplitArea = 512 * 512;

} // namespace

Canvas::CircleBatch::CircleBatch(Canvas& canvas) : canvas_(canvas) { canvas_.batching_ = true; }

Canvas::CircleBatch::~CircleBatch()
{
    canvas_.batching_ = false;
    canvas_.paintPendingCircles();
}

void Canvas::paintPendingCircles()
{
    if (pending_.empty())
        return;
    QRect all;
    for (const PendingCircle& c : pending_)
        all |= c.area;
    if (static_cast<qint64>(all.width()) * all.height() < kSplitArea || all.height() < 2) {
        QPainter p(&image_);
        for (const PendingCircle& c : pending_)
            paintCircle(p, c, all);
    } else {
        // The lower band on the helper, through an image of its own over the
        // same pixels; the two bands share no row.
        const int middle = all.top() + all.height() / 2;
        const QRect upper(all.left(), all.top(), all.width(), middle - all.top());
        const QRect lower(all.left(), middle, all.width(), all.bottom() - middle + 1);
        QImage shared(image_.bits(), image_.width(), image_.height(), image_.bytesPerLine(), image_.format());
        runBeside(
            [this, &shared, lower] {
                QPainter p(&shared);
                for (const PendingCircle& c : pending_)
                    paintCircle(p, c, lower);
            },
            [this, upper] {
                QPainter p(&image_);
                for (const PendingCircle& c : pending_)
                    paintCircle(p, c, upper);
            });
    }
    pending_.clear();
}

const Canvas::DotShape& Canvas::dotShape(int w)
{
    static std::vector<std::unique_ptr<DotShape>> cache;
    w = std::clamp(w, 1, 32767);
    if (static_cast<size_t>(w) >= cache.size())
        cache.resize(w + 1);
    auto& slot = cache[w];
    if (!slot) {
        slot = std::make_unique<DotShape>();
        // Pixels whose centre lies within w / 2 of the dot's centre pixel:
        // 4 * (dx^2 + dy^2) <= w^2, worked out in integers.
        const long long w2 = static_cast<long long>(w) * w;
        const int reach = w / 2;
        slot->reach = reach;
        slot->spans.resize(2 * reach + 1);
        for (int dy = -reach; dy <= reach; ++dy) {
            long long dx = 0;
            while (4 * ((dx + 1) * (dx + 1) + static_cast<long long>(dy) * dy) <= w2)
                ++dx;
            slot->spans[dy + reach] = static_cast<int>(dx);
        }
    }
    return *slot;
}

void Canvas::pset(double x, double y, Colour c)
{
    curX_ = x;
    curY_ = y;
    if (c < 0 || !usable(x) || !usable(y))
        return;
    paintDot(roundHalfEven(x), roundHalfEven(y), toRgb(c));
}

template <typename WriteRow>
void Canvas::forDotRows(int cx, int cy, int w, WriteRow write)
{
    const DotShape& dot = dotShape(w);
    const int r = dot.reach;
    const QRect area = claim(QRect(cx - r, cy - r, 2 * r + 1, 2 * r + 1));
    if (area.isEmpty())
        return;
    aboutToWrite(area);
    for (int py = area.top(); py <= area.bottom(); ++py) {
        const int span = dot.spans[py - cy + r];
        const int x0 = std::max(area.left(), cx - span), x1 = std::min(area.right(), cx + span);
        if (x0 <= x1) // a row of a dot centred beyond the edge may miss the drawing
            write(py, x0, x1);
    }
}

void Canvas::paintDot(int cx, int cy, QRgb rgb)
{
    if (drawWidth_ == 1) {
        if (!claim(QRect(cx, cy, 1, 1)).isEmpty()) {
            aboutToWrite(QRect(cx, cy, 1, 1));
            reinterpret_cast<QRgb*>(image_.scanLine(cy))[cx] = rgb;
        }
        return;
    }
    forDotRows(cx, cy, drawWidth_, [&](int y, int x0, int x1) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + x0, row + x1 + 1, rgb);
    });
}

void Canvas::restoreLine(double x1, double y1, double x2, double y2, double width)
{
    if (!usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
        return;
    const int w = clampedWidth(width);
    const QPoint a(roundHalfEven(x1), roundHalfEven(y1)), b(roundHalfEven(x2), roundHalfEven(y2));
    if (a == b) {
        restoreDot(a.x(), a.y(), w);
        return;
    }
    // The same aliased stroke as line() paints, filled from the backdrop
    // pixel for pixel (an opaque texture at the drawing's own origin).
    strokeSegment(a, b, w, [&] { return QPen(QBrush(backdrop()), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); });
}

void Canvas::restoreDot(int cx, int cy, int w)
{
    forDotRows(cx, cy, w, [&](int y, int x0, int x1) {
        const QRgb* src = reinterpret_cast<const QRgb*>(backdrop().constScanLine(y));
        std::copy(src + x0, src + x1 + 1, reinterpret_cast<QRgb*>(image_.scanLine(y)) + x0);
    });
}

} // namespace pemma
