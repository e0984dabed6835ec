// SPDX-License-Identifier: GPL-3.0-or-later
// The box primitive on a 1920 x 1080 canvas: outlined or filled, of ordinary,
// zero-height and one-pixel shape, at a thin and a wide pen, and a band that
// runs far past the bottom edge, as brushes 12, 13, 14 and 24 to 26 draw them.
// Then what the window repaints after a large brush's move.
#include <benchmark/benchmark.h>

#include "canvas/Canvas.h"
#include "canvas/ShownCells.h"

using namespace pemma;

namespace {

enum Shape { Square = 0, ZeroHeight = 1, OnePixel = 2, Band = 3 };

void BM_Box(benchmark::State& st)
{
    const int pen = static_cast<int>(st.range(0));
    const bool solid = st.range(1) != 0;
    const auto shape = static_cast<Shape>(st.range(2));
    Canvas canvas(1920, 1080);
    canvas.setDrawWidth(pen);
    canvas.setForeColor(0x0000FF);
    canvas.setFillStyle(solid ? Canvas::Solid : Canvas::Transparent);
    canvas.setFillColor(0x00FF00);
    int i = 0;
    for (auto _ : st) {
        const double x = 300 + (i * 37) % 1200, y = 200 + (i * 53) % 600;
        switch (shape) {
        case Square: canvas.box(x, y, x + 200, y + 150); break;
        case ZeroHeight: canvas.box(x, y, x + 200, y); break;
        case OnePixel: canvas.box(x, y, x + 0.2, y + 0.2); break;
        case Band: canvas.box(x, 0, x + 100, 16200); break;
        }
        benchmark::DoNotOptimize(canvas.takeDirty());
        ++i;
    }
}

void boxArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"pen", "solid", "shape"});
    for (int pen : {1, 8, 80})
        for (int solid : {0, 1})
            for (int shape : {Square, ZeroHeight, OnePixel, Band})
                b->Args({pen, solid, shape});
}

BENCHMARK(BM_Box)->Apply(boxArgs)->Unit(benchmark::kMicrosecond);

// Finding what a move of brush 44 at thickness 100 changed on a 3840 x 2160
// screen: ten rings 100 pixels wide, 4 pixels to the right of the ones the
// window shows. Checked against the record alone, and with the window's
// picture (premultiplied, as on X11) for cells the record does not know.
void BM_ShownCellsChanged(benchmark::State& st)
{
    const bool recorded = st.range(0) != 0;
    auto rings = [](Canvas& c, double x) {
        c.setDrawWidth(100);
        c.setForeColor(0);
        c.setFillStyle(Canvas::Transparent);
        for (int i = 1; i <= 10; ++i)
            c.circle(x, 1080, 100 * i + 1);
        return c.takeDirty();
    };
    Canvas canvas(3840, 2160);
    rings(canvas, 1900);
    const QImage shown = canvas.image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ShownCells before(3840, 2160);
    if (recorded)
        before.changed(canvas.image(), canvas.image().rect());
    const QRect area = rings(canvas, 1904);
    qint64 pixels = 0;
    int rects = 0;
    for (auto _ : st) {
        ShownCells cells = before;
        const QRegion changed = cells.changed(canvas.image(), area, &shown);
        pixels = 0;
        for (const QRect& r : changed)
            pixels += static_cast<qint64>(r.width()) * r.height();
        rects = changed.rectCount();
    }
    st.counters["area"] = static_cast<double>(area.width()) * area.height();
    st.counters["changed"] = static_cast<double>(pixels);
    st.counters["rects"] = rects;
}

BENCHMARK(BM_ShownCellsChanged)->ArgName("recorded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
