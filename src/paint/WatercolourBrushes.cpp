// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

#include <algorithm>

#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

// A one-pixel run on pixel row (or column) `line`, from the pixel a row has
// read to the previous point's coordinate, both ends included: horizontal for
// the tall bar, vertical for the wide one. The run starts on exactly the pixel that was
// read (the same half-to-even rounding), so every row tints what it passes
// over and the next row reads what this one left.
void paintRun(Canvas& canvas, int line, int start, double to, Colour c, bool horizontal)
{
    const int end = roundHalfEven(to);
    const int lo = std::min(start, end), hi = std::max(start, end);
    const int limit = (horizontal ? canvas.width() : canvas.height()) - 1;
    const int first = std::max(lo, 0), last = std::min(hi, limit);
    if (first > last)
        return;
    QImage& image = canvas.image();
    const QRgb rgb = Canvas::toRgb(c);
    if (horizontal) {
        canvas.aboutToWrite(QRect(QPoint(first, line), QPoint(last, line)));
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(line));
        std::fill(row + first, row + last + 1, rgb);
        canvas.markDirty(QRect(QPoint(first, line), QPoint(last, line)));
    } else {
        canvas.aboutToWrite(QRect(QPoint(line, first), QPoint(line, last)));
        for (int py = first; py <= last; ++py)
            reinterpret_cast<QRgb*>(image.scanLine(py))[line] = rgb;
        canvas.markDirty(QRect(QPoint(line, first), QPoint(line, last)));
    }
}

// The watercolour bar: 2T + 1 rows half a pixel apart across the pointer.
// Each row reads the pixel it starts on (as the rows before it have left it)
// and paints a darker copy of it, tinted towards the base colour: strongly on
// the middle row, not at all on the end rows. A row starting on a black or
// unreadable pixel paints nothing. A tall bar paints horizontal runs back to
// the previous x; a wide bar paints vertical runs back to the previous y.
void watercolourBar(StrokeContext& ctx, double x, double y, bool tall)
{
    DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    s.pixelColour = canvas.foreColor();
    const Components base = splitColour(s.pixelColour);
    const int T = pressedThickness(ctx);
    const double T2 = static_cast<double>(T) * T;

    auto tint = [&](double b, int k) {
        const double spread = T2 > 0 ? (256 - b) * k * k / T2 : 0;
        const double t = b + 20 + spread;
        return t > 255 ? 255.0 : t;
    };
    auto over = [](double pixelPart, double t) {
        const double o = pixelPart + t - 256;
        return o < 0 ? 0.0 : o;
    };

    for (int k = -T; k <= T; ++k) {
        const double tr = tint(base.r, k), tg = tint(base.g, k), tb = tint(base.b, k);
        // Along the bar the row sits at a half-pixel offset; across it, at the pointer.
        const double along = (tall ? y : x) + k / 2.0;
        const double across = tall ? x : y;
        if (!(across > 0 && along > 0))
            continue;
        const int alongPixel = roundHalfEven(along), acrossPixel = roundHalfEven(across);
        const Colour p = tall ? canvas.pixel(acrossPixel, alongPixel) : canvas.pixel(alongPixel, acrossPixel);
        if (p <= 0)
            continue;
        const Components c = splitColour(p);
        const Colour paint = joinColour(over(c.r, tr), over(c.g, tg), over(c.b, tb));
        canvas.setDrawWidth(1);
        if (s.prevX != 0)
            paintRun(canvas, alongPixel, acrossPixel, tall ? s.prevX : s.prevY, paint, tall);
    }
}

} // namespace

StepResult watercolourTall(StrokeContext& ctx, double& x, double& y)
{
    watercolourBar(ctx, x, y, true);
    return StepResult::Continue;
}

StepResult watercolourWide(StrokeContext& ctx, double& x, double& y)
{
    watercolourBar(ctx, x, y, false);
    return StepResult::Continue;
}

} // namespace pemma::brushes
