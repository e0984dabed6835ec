#include <algorithm>

#include "imageops/ImageFrame.h"
#include "imageops/Runners.h"

namespace pemma::imageops {

namespace {

// Pen width 1, step 1: every pixel of the region inside the drawing is read
// and repainted on its own, so the order of the pass does not matter.
template <typename Map>
void pointPass(QImage& image, int lastX, int lastY, Map map)
{
    const Rows rows(image);
    for (int y = 1; y <= lastY; ++y) {
        QRgb* row = rows[y];
        for (int x = 1; x <= lastX; ++x)
            row[x] = map(row[x]);
    }
}

void pointPass(QImage& image, int lastX, int lastY, const ColourTable& table)
{
    switch (table.dependence()) {
    case ColourDependence::AsRead:
        pointPass(image, lastX, lastY, [](QRgb q) { return q | kOpaque; });
        break;
    case ColourDependence::EachComponent: {
        const auto& r = table.component(0);
        const auto& g = table.component(1);
        const auto& b = table.component(2);
        pointPass(image, lastX, lastY, [&](QRgb q) {
            return kOpaque | (QRgb(r[(q >> 16) & 0xFFu]) << 16) | (QRgb(g[(q >> 8) & 0xFFu]) << 8)
                 | b[q & 0xFFu];
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
        pointPass(image, lastX, lastY, [&table](QRgb q) { return table.map(q); });
        break;
    }
}

// Wider pens: one dot per sample, painted in walk order (column by column,
// each from the top), so that where dots overlap the later one stays. No dot
// reaches another sample point, so every sample is read as it was before the
// command.
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

    // What a sample beyond the drawing paints.
    bool outsidePaints = false;
    QRgb outsideRgb = 0;
    if (!rule.testsRead) {
        const Colour c = rule.newColour(kInvalidColour);
        outsidePaints = c >= 0;
        outsideRgb = Canvas::toRgb(c);
    }

    for (int i = 0; i < nx; ++i) {
        const int x = 1 + i * s;
        for (int j = 0; j < ny; ++j) {
            const int y = 1 + j * s;
            QRgb rgb;
            if (x < w && y < h) {
                rgb = table.map(rows[y][x]);
            } else {
                if (!outsidePaints)
                    continue;
                rgb = outsideRgb;
            }
            const int y0 = std::max(0, y - reach), y1 = std::min(h - 1, y + reach);
            for (int py = y0; py <= y1; ++py) {
                const int span = dot.spans[py - y + reach];
                const int x0 = std::max(0, x - span), x1 = std::min(w - 1, x + span);
                QRgb* row = rows[py];
                for (int px = x0; px <= x1; ++px)
                    row[px] = rgb;
            }
        }
    }
    const int right = std::min(w - 1, 1 + (nx - 1) * s + reach);
    const int bottom = std::min(h - 1, 1 + (ny - 1) * s + reach);
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
