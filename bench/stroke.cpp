// One mouse move of the real window's stroke handling on a 1920 x 1080
// canvas: check-mark refresh, colour mode, brush 0 at thickness 10 and the
// slider step (the screen repaint itself is not counted).
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "shell/window/Form1.h"

using namespace pemma;

namespace {

struct Painter {
    Painter(int colourMode) : form({dir.path(), ScreenMetrics{1920, 1080, 15, 15}})
    {
        form.Form_Load();
        form.state().brushSize = 10;
        form.state().colourMode = colourMode;
        form.frame().Form_MouseDown(100, 100);
    }
    QTemporaryDir dir;
    Form1 form;
};

void moveTo(Form1& form, int i)
{
    const double x = 100 + (i * 37) % 1700;
    const double y = 100 + (i * 53) % 900;
    form.frame().Form_MouseMove(x, y, true);
    form.canvas().takeDirty();
}

void BM_MoveBrush0(benchmark::State& st)
{
    Painter p(static_cast<int>(st.range(0)));
    int i = 0;
    for (auto _ : st)
        moveTo(p.form, ++i);
}
BENCHMARK(BM_MoveBrush0)->Arg(1)->Arg(4)->Arg(11)->ArgName("colourMode");

void BM_Stroke100Moves(benchmark::State& st)
{
    Painter p(1);
    for (auto _ : st) {
        p.form.frame().Form_MouseDown(100, 100);
        for (int i = 0; i < 100; ++i)
            moveTo(p.form, i);
        p.form.frame().Form_MouseUp(0, 0);
    }
}
BENCHMARK(BM_Stroke100Moves)->Unit(benchmark::kMillisecond);

} // namespace
