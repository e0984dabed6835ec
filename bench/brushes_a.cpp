// One drawing move of each of brushes 1 to 27 on a 1920 x 1080 canvas, with a
// stroke already in progress and the pointer going back and forth so every
// segment has length. Each move hands its repaint area back, as the window does.
#include <benchmark/benchmark.h>

#include "paint/StrokeFrame.h"
#include "support/Scripted.h"

namespace {

using namespace pemma;

struct Stage {
    explicit Stage(int brush, int thickness) : canvas(1920, 1080), sliders(state)
    {
        state.screenWidthTwips = 1920 * 15;
        state.screenHeightTwips = 1080 * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
        state.brushSize = thickness;
        state.colourMode = 1;
        state.brushIndex = brush;
        state.rainbowColours = rainbowTable();
    }
    DrawingState state;
    Canvas canvas;
    ColourSliders sliders;
    ProgramRandom random;
    test::ScriptedClock clock;
    StrokeFrame frame{StrokeContext{state, canvas, random, clock, sliders, nullptr}};
};

void BM_BrushMove(benchmark::State& st)
{
    const int brush = static_cast<int>(st.range(0));
    const int thickness = static_cast<int>(st.range(1));
    Stage stage(brush, thickness);
    stage.frame.Form_MouseDown(900, 500);
    stage.frame.Form_MouseMove(900, 500, true);
    stage.canvas.takeDirty();
    const double xs[] = {960, 1020}, ys[] = {540, 580};
    int i = 0;
    double area = 0;
    for (auto _ : st) {
        stage.frame.Form_MouseMove(xs[i], ys[i], true);
        const QRect d = stage.canvas.takeDirty();
        area += static_cast<double>(d.width()) * d.height();
        i ^= 1;
    }
    // Mean repaint area per move, in pixels.
    st.counters["repaint_px"] = benchmark::Counter(area / static_cast<double>(st.iterations()));
}

void brushArgs(benchmark::internal::Benchmark* b)
{
    for (int brush = 1; brush <= 27; ++brush)
        for (int thickness : {10, 100})
            b->Args({brush, thickness});
}

BENCHMARK(BM_BrushMove)
    ->ArgNames({"brush", "thickness"})
    ->Apply(brushArgs)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
