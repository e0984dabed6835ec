// SPDX-License-Identifier: GPL-3.0-or-later
// One drawing move of each of brushes 1 to 27 on a 1920 x 1080 and a
// 3840 x 2160 canvas (the width argument; the height follows at 16:9), with a
// stroke already in progress and the pointer going back and forth so every
// segment has length. Each move hands its repaint area back, as the window does.
#include <benchmark/benchmark.h>

#include "support/StrokeDriver.h"

namespace {

using namespace pemma;

// The brush alone: the history's recording of a move is measured in
// bench_history.
struct Stage {
    Stage(int brush, int thickness, int width) : drive(brush, thickness, width, width * 9 / 16, &random)
    {
        DrawingState& s = drive.rig.state;
        s.screenWidthTwips = width * 15;
        s.screenHeightTwips = width * 9 / 16 * 15;
        drive.rig.canvas.setWriteObserver(nullptr);
    }
    ProgramRandom random;
    test::Drive drive;
};

void BM_BrushMove(benchmark::State& st)
{
    Stage stage(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), static_cast<int>(st.range(2)));
    test::Drive& d = stage.drive;
    d.startAt(900, 500);
    d.rig.session.takeRepaintArea();
    const double xs[] = {960, 1020}, ys[] = {540, 580};
    int i = 0;
    double area = 0;
    for (auto _ : st) {
        d.move(xs[i], ys[i]);
        const QRect r = d.rig.session.takeRepaintArea();
        area += static_cast<double>(r.width()) * r.height();
        i ^= 1;
    }
    // Mean repaint area per move, in pixels.
    st.counters["repaint_px"] = benchmark::Counter(area / static_cast<double>(st.iterations()));
}

void brushArgs(benchmark::internal::Benchmark* b)
{
    for (int width : {1920, 3840})
        for (int brush = 1; brush <= 27; ++brush)
            for (int thickness : {10, 100})
                b->Args({brush, thickness, width});
}

BENCHMARK(BM_BrushMove)
    ->ArgNames({"brush", "thickness", "width"})
    ->Apply(brushArgs)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
