// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history on a 1920 x 1080 drawing: what recording adds to strokes
// and presses, how long undo and redo of a whole-screen operation take, and
// what steps cost in bytes.
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <vector>
#include <unistd.h>

#include "imageops/Operations.h"
#include "session/PaintSession.h"

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
    explicit Painter(bool overPhoto) : session(PaintSession::Setup{ScreenMetrics{1920, 1080, 15, 15}, {}, {}, {}, {}})
    {
        session.load(dir.path());
        session.state().brushSize = 10;
        session.state().colourMode = 1;
        if (overPhoto)
            session.canvas().setPicture(photo());
    }
    // A stroke as the window runs it, one step from the press to the
    // release. A hand's stroke moves some 20 pixels between events along a
    // curve; a jumpy one crosses the screen at every move.
    void stroke(int first, int moves = 100, bool jumpy = false)
    {
        session.press({100, 100});
        this->moves(first, moves, jumpy);
        session.release({0, 0});
    }
    void moves(int first, int moves, bool jumpy)
    {
        for (int i = first; i < first + moves; ++i) {
            if (jumpy)
                session.move(QPointF(100 + (i * 37) % 1700, 100 + (i * 53) % 900), true);
            else
                session.move(QPointF(960 + 800 * std::sin(i * 0.025), 540 + 450 * std::sin(i * 0.0325)), true);
            session.takeRepaintArea();
        }
    }
    void operation(int item) { session.operation(item); }
    QTemporaryDir dir;
    PaintSession session;
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
        p.session.canvas().setWriteObserver(nullptr);
    int first = 0;
    for (auto _ : st) {
        p.session.press({100, 100});
        // Only the moves are timed, by hand: pausing and resuming the
        // library's timer around them costs microseconds of its own.
        const auto start = std::chrono::steady_clock::now();
        p.moves(first, 100, jumpy);
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        p.session.release({0, 0});
        first += 100;
    }
    st.counters["steps"] = p.session.history().undoCount();
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
        p.session.history().beginStep();
        if (first + 100 > points.size())
            first = 1;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = first; i < first + 100; ++i)
            p.session.history().aboutToWriteAlong(points[i - 1], points[i], reach);
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
        p.session.press({100, 100});
        p.moves(first, 100, jumpy);
        first += 100;
        st.ResumeTiming();
        p.session.release({0, 0});
    }
}
BENCHMARK(BM_ReleaseClosesStep)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"photo", "jumpy"})
    ->Unit(benchmark::kMicrosecond);

// The first stroke after start on a 3840 x 2160 screen, press to release
// with brush 0 at thickness 100 along the hand's curve: what a person waits
// for while the history takes its first tiles of the blank drawing. Each
// iteration is a fresh start (not timed).
void BM_FirstStroke4K(benchmark::State& st)
{
    for (auto _ : st) {
        st.PauseTiming();
        QTemporaryDir dir;
        auto session = std::make_unique<PaintSession>(
            PaintSession::Setup{ScreenMetrics{3840, 2160, 15, 15}, {}, {}, {}, {}});
        session->load(dir.path());
        session->state().brushSize = 100;
        session->state().colourMode = 1;
        session->takeRepaintArea();
        st.ResumeTiming();
        session->press({1900, 1000});
        for (int i = 0; i < 50; ++i) {
            session->move(QPointF(1920 + 1600 * std::sin(i * 0.025), 1080 + 900 * std::sin(i * 0.0325)), true);
            session->takeRepaintArea();
        }
        session->release({0, 0});
        st.PauseTiming();
        session.reset();
        st.ResumeTiming();
    }
}
BENCHMARK(BM_FirstStroke4K)->Unit(benchmark::kMillisecond);

// A press of brush 1 (which paints a dot), without and with the step it opens.
void BM_Press(benchmark::State& st)
{
    const bool record = st.range(0);
    Painter p(true);
    if (!record)
        p.session.canvas().setWriteObserver(nullptr);
    p.session.state().brushIndex = 1;
    int i = 0;
    for (auto _ : st) {
        p.session.press(QPointF(100 + (i * 37) % 1700, 100 + (i * 53) % 900));
        ++i;
        st.PauseTiming();
        p.session.release({0, 0});
        // Brush 1 would go on fading: its stroke and step end here.
        endStroke(p.session.state());
        p.session.history().endStep();
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
            p.session.undo();
        else
            p.session.redo();
        p.session.takeRepaintArea();
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
            OperationContext ctx{p.session.state(), p.session.canvas(), nullptr};
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
            p.session.history().beginStep(); // takes the copy
            p.session.history().endStep();
            copyBytes = p.session.history().bytes();
        };
        {
            Painter p(overPhoto);
            fresh(p);
            History& h = p.session.history();
            p.session.press({300, 300});
            for (int i = 0; i <= 20; ++i)
                p.session.move(QPointF(300 + 30 * i, 300 + 25 * i), true);
            p.session.release({0, 0});
            strokeBytes = h.bytes() - copyBytes;
            h.undo();
            strokeUndone = h.bytes() - copyBytes;
        }
        {
            Painter p(overPhoto);
            fresh(p);
            p.session.canvas().setFillStyle(Canvas::Solid);
            p.session.canvas().setFillColor(0x00FF00);
            p.session.state().brushIndex = 30;
            p.session.press({5, 1000});
            p.session.move({5, 1000}, true);
            p.session.release({5, 1000});
            fillBytes = p.session.history().bytes() - copyBytes;
        }
        {
            Painter p(overPhoto);
            fresh(p);
            p.operation(24);
            opBytes = p.session.history().bytes() - copyBytes;
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
            p.stroke(s * 100);
            most = std::max(most, p.session.history().bytes());
        }
        st.counters["strokesBytes"] = p.session.history().bytes();
        for (int s = 0; s < 100; ++s) {
            p.operation(s % 2 ? 24 : 30);
            most = std::max(most, p.session.history().bytes());
        }
        st.counters["mostBytes"] = most;
        st.counters["steps"] = p.session.history().undoCount();
        st.counters["residentGrowthKiB"] = residentKiB() - start;
    }
}
BENCHMARK(BM_ThousandStrokes)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
