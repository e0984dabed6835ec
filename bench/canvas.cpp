// SPDX-License-Identifier: GPL-3.0-or-later
// The box primitive on a 1920 x 1080 canvas: outlined or filled, of ordinary,
// zero-height and one-pixel shape, at a thin and a wide pen, and a band that
// runs far past the bottom edge, as brushes 12, 13, 14 and 24 to 26 draw them.
#include <benchmark/benchmark.h>

#include "canvas/Canvas.h"

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

} // namespace
