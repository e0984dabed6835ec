// SPDX-License-Identifier: GPL-3.0-or-later
// One drawing move of each of brushes 28 to 45 on a 1920 x 1080 and a
// 3840 x 2160 drawing (the width argument; the height follows at 16:9), at
// thickness 10 and 100: the whole move handling (colour, pen width, sliders,
// the brush) plus taking the dirty rectangle as the window does. The fill and
// the filled circles run with a solid fill style as well.
#include <benchmark/benchmark.h>

#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

enum Setup { Plain = 0, SolidFill = 1, FreshCanvas = 2 };

// The brush alone: the history's recording of a move is measured in
// bench_history.
struct Bench {
    explicit Bench(int brush, int thickness, Setup setup, int width)
        : drive(brush, thickness, width, width * 9 / 16, &random), rig(drive.rig)
    {
        rig.canvas.setWriteObserver(nullptr);
        rig.state.screenWidthTwips = width * 15;
        rig.state.screenHeightTwips = width * 9 / 16 * 15;
        drive.colour(200, 90, 30);
        if (setup == SolidFill) {
            rig.canvas.setFillStyle(Canvas::Solid);
            rig.canvas.setFillColor(0x336699);
        }
        drive.startAt(400, 300);
    }

    // A wandering path of short steps over the middle of the drawing.
    void move(int n)
    {
        const double x = 300 + (n * 7) % 1300 + 0.5 * (n % 2);
        const double y = 200 + (n * 3) % 700;
        drive.move(x, y);
        benchmark::DoNotOptimize(rig.session.takeRepaintArea());
    }

    ProgramRandom random;
    test::Drive drive;
    test::Rig& rig;
};

void BM_BrushMove(benchmark::State& st)
{
    Bench b(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), static_cast<Setup>(st.range(2)),
            static_cast<int>(st.range(3)));
    int n = 0;
    for (auto _ : st) {
        // A fresh drawing for every fill; for the other brushes every 500
        // moves, before the wandering path comes back over its own paint (the
        // watercolour would otherwise soon meet only black and paint nothing).
        if (st.range(2) == FreshCanvas || n % 500 == 0) {
            st.PauseTiming();
            b.rig.canvas.cls();
            b.rig.canvas.takeDirty();
            st.ResumeTiming();
        }
        b.move(++n);
    }
}

void brushArgs(benchmark::internal::Benchmark* bm)
{
    bm->ArgNames({"brush", "thickness", "setup", "width"});
    for (int width : {1920, 3840}) {
        for (int brush = 28; brush <= 45; ++brush)
            for (int thickness : {10, 100})
                bm->Args({brush, thickness, brush == 30 ? FreshCanvas : Plain, width});
        for (int brush : {44, 45})
            for (int thickness : {10, 100})
                bm->Args({brush, thickness, SolidFill, width});
    }
}

} // namespace

BENCHMARK(BM_BrushMove)->Apply(brushArgs)->Unit(benchmark::kMillisecond);
