// One mouse move of the window's stroke handling on a 1920 x 1080 canvas, as
// the paint session runs it: check-mark refresh, colour mode, brush 0 at
// thickness 10, the slider step and the history's recording (the screen
// repaint itself is not counted).
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "session/PaintSession.h"

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

} // namespace
