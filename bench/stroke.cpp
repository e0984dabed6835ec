// SPDX-License-Identifier: GPL-3.0-or-later
// One mouse move of the window's stroke handling on a 1920 x 1080 canvas, as
// the paint session runs it: check-mark refresh, colour mode, brush 0 at
// thickness 10, the slider step and the history's recording (the screen
// repaint itself is not counted). BM_Brush0Move runs brush 0 alone through
// the stroke driver at thickness 10 and 100 on 1920 x 1080 and 3840 x 2160,
// as the other brush benchmarks do.
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "session/PaintSession.h"
#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

struct Painter {
    explicit Painter(int colourMode) : session(PaintSession::Setup{ScreenMetrics{1920, 1080, 15, 15}, {}, {}, {}, {}})
    {
        session.load(dir.path());
        session.state().brushSize = 10;
        session.state().colourMode = colourMode;
        session.press({100, 100});
    }
    void moveTo(int i)
    {
        const double x = 100 + (i * 37) % 1700;
        const double y = 100 + (i * 53) % 900;
        session.move({x, y}, true);
        session.takeRepaintArea();
    }
    QTemporaryDir dir;
    PaintSession session;
};

void BM_MoveBrush0(benchmark::State& st)
{
    Painter p(static_cast<int>(st.range(0)));
    int i = 0;
    for (auto _ : st)
        p.moveTo(++i);
}
BENCHMARK(BM_MoveBrush0)->Arg(1)->Arg(4)->Arg(11)->ArgName("colourMode");

void BM_Stroke100Moves(benchmark::State& st)
{
    Painter p(1);
    for (auto _ : st) {
        p.session.press({100, 100});
        for (int i = 0; i < 100; ++i)
            p.moveTo(i);
        p.session.release({0, 0});
    }
}
BENCHMARK(BM_Stroke100Moves)->Unit(benchmark::kMillisecond);

void BM_Brush0Move(benchmark::State& st)
{
    const int thickness = static_cast<int>(st.range(0));
    const int width = static_cast<int>(st.range(1));
    const int height = width * 9 / 16;
    ProgramRandom random;
    test::Drive d(0, thickness, width, height, &random);
    d.rig.canvas.setWriteObserver(nullptr);
    d.rig.state.screenWidthTwips = width * 15;
    d.rig.state.screenHeightTwips = height * 15;
    d.startAt(400, 300);
    d.rig.session.takeRepaintArea();
    int n = 0;
    for (auto _ : st) {
        ++n;
        d.move(300 + (n * 7) % 1300 + 0.5 * (n % 2), 200 + (n * 3) % 700);
        benchmark::DoNotOptimize(d.rig.session.takeRepaintArea());
    }
}
BENCHMARK(BM_Brush0Move)
    ->ArgNames({"thickness", "width"})
    ->ArgsProduct({{10, 100}, {1920, 3840}})
    ->Unit(benchmark::kMicrosecond);

} // namespace
