// The undo history on a 1920 x 1080 drawing: what recording adds to strokes
// and presses, how long undo and redo of a whole-screen operation take, and
// what steps cost in bytes.
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <vector>
#include <unistd.h>

#include "imageops/Operations.h"
#include "shell/window/Form1.h"

using namespace pemma;

namespace {

// A photo-like picture: every pixel differs from its neighbours.
QImage photo()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb((x * 7 + y) & 0xFF, (y * 5 + x * 3) & 0xFF, (x * y) & 0xFF);
    }
    return image;
}

struct Painter {
    explicit Painter(bool overPhoto) : form({dir.path(), ScreenMetrics{1920, 1080, 15, 15}})
    {
        form.Form_Load();
        form.state().brushSize = 10;
        form.state().colourMode = 1;
        if (overPhoto)
            form.canvas().setPicture(photo());
    }
    // A stroke as the window runs it: with `record`, one step from the press
    // to the release. A hand's stroke moves some 20 pixels between events
    // along a curve; a jumpy one crosses the screen at every move.
    void stroke(bool record, int first, int moves = 100, bool jumpy = false)
    {
        if (record)
            form.history().beginStep();
        form.frame().Form_MouseDown(100, 100);
        this->moves(first, moves, jumpy);
        form.frame().Form_MouseUp(0, 0);
        if (record)
            form.history().endStep();
    }
    void moves(int first, int moves, bool jumpy)
    {
        for (int i = first; i < first + moves; ++i) {
            if (jumpy)
                form.frame().Form_MouseMove(100 + (i * 37) % 1700, 100 + (i * 53) % 900, true);
            else
                form.frame().Form_MouseMove(960 + 800 * std::sin(i * 0.025), 540 + 450 * std::sin(i * 0.0325), true);
            form.canvas().takeDirty();
        }
    }
    void operation(int item)
    {
        form.history().beginStep();
        OperationContext ctx{form.state(), form.canvas(), nullptr};
        runOperation(item, ctx);
        form.history().endStep();
    }
    QTemporaryDir dir;
    Form1 form;
};

// The 100 moves of a stroke of brush 0 at thickness 10, without and with
// its step open, on the blank drawing and over the photo; the press and the
// release are not timed. Each stroke goes on where the last one ended.
// Jumpy: every move a segment of several hundred pixels across the screen,
// so that the stroke touches nearly every tile.
void BM_Stroke100Moves(benchmark::State& st)
{
    const bool record = st.range(0), jumpy = st.range(2);
    Painter p(st.range(1));
    if (!record) // the program as it was without the history
        p.form.canvas().setWriteObserver(nullptr);
    int first = 0;
    for (auto _ : st) {
        if (record)
            p.form.history().beginStep();
        p.form.frame().Form_MouseDown(100, 100);
        // Only the moves are timed, by hand: pausing and resuming the
        // library's timer around them costs microseconds of its own.
        const auto start = std::chrono::steady_clock::now();
        p.moves(first, 100, jumpy);
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        p.form.frame().Form_MouseUp(0, 0);
        if (record)
            p.form.history().endStep();
        first += 100;
    }
    st.counters["steps"] = p.form.history().undoCount();
}
BENCHMARK(BM_Stroke100Moves)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->ArgNames({"record", "photo", "jumpy"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Only the marking of a stroke's tiles: the same segments as the 100 moves
// above, announced to the history without painting them.
void BM_MarkOnly(benchmark::State& st)
{
    const bool jumpy = st.range(0);
    Painter p(false);
    const int reach = 8 / 2 + 2; // brush 0 at thickness 10 paints 8 pixels wide
    std::vector<QPoint> points;
    for (int i = 0; i < 100000; ++i)
        points.push_back(jumpy ? QPoint(100 + (i * 37) % 1700, 100 + (i * 53) % 900)
                               : QPoint(960 + 800 * std::sin(i * 0.025), 540 + 450 * std::sin(i * 0.0325)));
    std::size_t first = 1;
    for (auto _ : st) {
        // Each 100 moves a step of their own; timed by hand, since pausing
        // the timer costs as much as what is timed.
        p.form.history().beginStep();
        if (first + 100 > points.size())
            first = 1;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = first; i < first + 100; ++i)
            p.form.history().aboutToWriteAlong(points[i - 1], points[i], reach);
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        first += 100;
    }
}
BENCHMARK(BM_MarkOnly)->Arg(0)->Arg(1)->ArgName("jumpy")->UseManualTime()->Unit(benchmark::kMicrosecond);

// The release that closes the step of such a stroke: the changed tiles are
// kept and the history's copy brought up to date.
void BM_ReleaseClosesStep(benchmark::State& st)
{
    const bool jumpy = st.range(1);
    Painter p(st.range(0));
    int first = 0;
    for (auto _ : st) {
        st.PauseTiming();
        p.form.history().beginStep();
        p.form.frame().Form_MouseDown(100, 100);
        p.moves(first, 100, jumpy);
        first += 100;
        st.ResumeTiming();
        p.form.frame().Form_MouseUp(0, 0);
        p.form.history().endStep();
    }
}
BENCHMARK(BM_ReleaseClosesStep)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"photo", "jumpy"})
    ->Unit(benchmark::kMicrosecond);

// A press of brush 1 (which paints a dot), without and with the step it opens.
void BM_Press(benchmark::State& st)
{
    const bool record = st.range(0);
    Painter p(true);
    if (!record)
        p.form.canvas().setWriteObserver(nullptr);
    p.form.state().brushIndex = 1;
    int i = 0;
    for (auto _ : st) {
        if (record)
            p.form.history().beginStep();
        p.form.frame().Form_MouseDown(100 + (i * 37) % 1700, 100 + (i * 53) % 900);
        ++i;
        st.PauseTiming();
        p.form.frame().Form_MouseUp(0, 0);
        p.form.state().isDrawing = false;
        if (record)
            p.form.history().endStep();
        st.ResumeTiming();
    }
}
BENCHMARK(BM_Press)->Arg(0)->Arg(1)->ArgName("record")->Unit(benchmark::kMicrosecond);

// Undo and redo of "色反転" over the whole screen, on the photo and on a
// blank drawing; one iteration is one undo or one redo.
void BM_UndoRedoWholeScreen(benchmark::State& st)
{
    Painter p(st.range(0));
    p.operation(24);
    bool undo = true;
    for (auto _ : st) {
        if (undo)
            p.form.history().undo();
        else
            p.form.history().redo();
        p.form.canvas().takeDirty();
        undo = !undo;
    }
}
BENCHMARK(BM_UndoRedoWholeScreen)->Arg(0)->Arg(1)->ArgName("photo")->Unit(benchmark::kMillisecond);

// A whole-screen operation without and with its step.
void BM_OperationStep(benchmark::State& st)
{
    Painter p(true);
    for (auto _ : st) {
        if (st.range(0)) {
            p.operation(24);
        } else {
            OperationContext ctx{p.form.state(), p.form.canvas(), nullptr};
            runOperation(24, ctx);
        }
    }
}
BENCHMARK(BM_OperationStep)->Arg(0)->Arg(1)->ArgName("record")->Unit(benchmark::kMillisecond);

// Bytes one step holds: a stroke of brush 0 at thickness 10 (20 moves of
// about 40 pixels), the same stroke once undone (what redo puts back), a fill
// of the whole drawing (brush 30's boundary fill from one point) and a
// whole-screen operation ("色反転"); each on the blank drawing and on the
// photo. The history's own copy of the drawing (8 MB) is counted apart.
void BM_StepBytes(benchmark::State& st)
{
    const bool overPhoto = st.range(0);
    std::size_t copyBytes = 0, strokeBytes = 0, fillBytes = 0, opBytes = 0, strokeUndone = 0;
    for (auto _ : st) {
        auto fresh = [&](Painter& p) {
            p.form.history().beginStep(); // takes the copy
            p.form.history().endStep();
            copyBytes = p.form.history().bytes();
        };
        {
            Painter p(overPhoto);
            fresh(p);
            History& h = p.form.history();
            h.beginStep();
            p.form.frame().Form_MouseDown(300, 300);
            for (int i = 0; i <= 20; ++i)
                p.form.frame().Form_MouseMove(300 + 30 * i, 300 + 25 * i, true);
            p.form.frame().Form_MouseUp(0, 0);
            h.endStep();
            strokeBytes = h.bytes() - copyBytes;
            h.undo();
            strokeUndone = h.bytes() - copyBytes;
        }
        {
            Painter p(overPhoto);
            fresh(p);
            p.form.canvas().setFillStyle(Canvas::Solid);
            p.form.canvas().setFillColor(0x00FF00);
            p.form.history().beginStep();
            p.form.canvas().floodFill(5, 1000, 0x000000);
            p.form.history().endStep();
            fillBytes = p.form.history().bytes() - copyBytes;
        }
        {
            Painter p(overPhoto);
            fresh(p);
            p.operation(24);
            opBytes = p.form.history().bytes() - copyBytes;
        }
    }
    st.counters["copy"] = copyBytes;
    st.counters["stroke"] = strokeBytes;
    st.counters["strokeToRedo"] = strokeUndone;
    st.counters["fill"] = fillBytes;
    st.counters["operation"] = opBytes;
}
BENCHMARK(BM_StepBytes)->Arg(0)->Arg(1)->ArgName("photo")->Iterations(1)->Unit(benchmark::kMillisecond);

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A thousand 100-move strokes over the photo, then as many operations: the
// history stays within its limit, and so does the process's growth.
void BM_ThousandStrokes(benchmark::State& st)
{
    for (auto _ : st) {
        Painter p(true);
        const long start = residentKiB();
        std::size_t most = 0;
        for (int s = 0; s < 1000; ++s) {
            p.stroke(true, s * 100);
            most = std::max(most, p.form.history().bytes());
        }
        st.counters["strokesBytes"] = p.form.history().bytes();
        for (int s = 0; s < 100; ++s) {
            p.operation(s % 2 ? 24 : 30);
            most = std::max(most, p.form.history().bytes());
        }
        st.counters["mostBytes"] = most;
        st.counters["steps"] = p.form.history().undoCount();
        st.counters["residentGrowthKiB"] = residentKiB() - start;
    }
}
BENCHMARK(BM_ThousandStrokes)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
