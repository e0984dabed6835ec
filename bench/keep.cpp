// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the painting on disk at 1920 x 1080 and 3840 x 2160: what a keep
// costs the window's thread (the snapshot, and the tiles a stroke must copy
// itself while the other thread copies the drawing), what the other thread
// spends on it, and how long the close takes with a painting to keep.
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <ctime>

#include "session/PaintSession.h"

using namespace pemma;

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }
// What the calling thread itself spent: on two shared cores the wall clock
// also counts the time the window's thread waits for a core.
double threadSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

QImage photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb((x * 7 + y) & 0xFF, (y * 5 + x * 3) & 0xFF, (x * y) & 0xFF);
    }
    return image;
}

// A session of the screen's size keeping its painting in a folder of its
// own; keeps come only when asked for.
struct Keeping {
    Keeping(int w, int h, bool overPhoto)
        : session(PaintSession::Setup{ScreenMetrics{w, h, 15, 15}, {}, {}, {}, {}})
    {
        session.load(dir.path());
        session.state().brushSize = 10;
        session.state().colourMode = 1;
        if (overPhoto)
            session.canvas().setPicture(photo(w, h));
        session.startKeeping(std::make_unique<KeepSlot>(dir.filePath("state")), KeepTiming{1 << 30, 1 << 30});
        keeper = session.keeper();
    }
    // Every tile changes (a background colour).
    void changeEverything()
    {
        session.sliders().setPosition(1, ++shade & 0xFF);
        session.backgroundFromSwatch();
    }
    // A hand's stroke of `moves` moves, some 20 pixels apart along a curve
    // over the whole screen.
    void stroke(int moves)
    {
        const int w = session.canvas().width(), h = session.canvas().height();
        session.press({100, 100});
        for (int i = 0; i < moves; ++i, ++step)
            session.move(QPointF(w / 2 + (w / 2 - 60) * std::sin(step * 0.025), h / 2 + (h / 2 - 60) * std::sin(step * 0.0325)),
                         true);
        session.release({0, 0});
    }
    QTemporaryDir dir;
    PaintSession session;
    Keeper* keeper;
    int shade = 0, step = 0;
};

// The window's thread's part of one keep of a drawing whose every tile
// changed: the snapshot (its own time; `wall_ms` on the wall clock).
void BM_KeepSnapshot(benchmark::State& st)
{
    Keeping k(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), false);
    double wall = 0;
    for (auto _ : st) {
        k.changeEverything();
        const auto start = Clock::now();
        const double own = threadSeconds();
        const bool kept = k.keeper->keepNow();
        st.SetIterationTime(threadSeconds() - own);
        wall += seconds(start);
        k.keeper->waitIdle();
        if (!kept)
            st.SkipWithError("nothing was kept");
    }
    st.counters["wall_ms"] = 1000 * wall / static_cast<double>(st.iterations());
}
// Each iteration waits for its keep, so the counts are set: the library
// would otherwise run thousands of the microsecond-long snapshots.
BENCHMARK(BM_KeepSnapshot)
    ->Args({1920, 1080})->Args({3840, 2160})->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);

// The 100 moves of a stroke right after a snapshot of a drawing whose every
// tile changed, while the other thread copies it (range 2 = 1), against the
// same moves with no keep under way (0): the difference is what the tiles the
// stroke copies first cost the window's thread.
void BM_StrokeDuringKeep(benchmark::State& st)
{
    Keeping k(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), false);
    const bool keeping = st.range(2);
    const int before = k.keeper->tilesCopiedHere();
    for (auto _ : st) {
        k.changeEverything();
        if (keeping)
            k.keeper->keepNow();
        const double own = threadSeconds();
        k.stroke(100);
        st.SetIterationTime(threadSeconds() - own);
        k.keeper->waitIdle();
    }
    st.counters["tiles_copied_here_per_keep"] =
        static_cast<double>(k.keeper->tilesCopiedHere() - before) / static_cast<double>(st.iterations());
}
BENCHMARK(BM_StrokeDuringKeep)
    ->Args({1920, 1080, 0})->Args({1920, 1080, 1})->Args({3840, 2160, 0})->Args({3840, 2160, 1})
    ->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);

// The other thread's part of one keep after a stroke (copying the changed
// tiles, encoding, writing and syncing the file), on a blank drawing and
// over a photograph.
void BM_KeepWrite(benchmark::State& st)
{
    Keeping k(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), st.range(2));
    for (auto _ : st) {
        k.stroke(100);
        const auto start = Clock::now();
        k.keeper->keepNow();
        k.keeper->waitIdle();
        st.SetIterationTime(seconds(start));
    }
}
BENCHMARK(BM_KeepWrite)
    ->Args({1920, 1080, 0})->Args({3840, 2160, 0})->Args({3840, 2160, 1})
    ->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// The close with a painting to keep: a stroke made since the last keep, then
// the close handling (settings written, painting kept and marked closed
// normally), on a blank drawing (range 2 = 0), over a photograph kept before
// (1), and over a photograph opened just before the close, never kept (2).
void BM_CloseWithPainting(benchmark::State& st)
{
    const int w = static_cast<int>(st.range(0)), h = static_cast<int>(st.range(1));
    Keeping k(w, h, st.range(2));
    const QImage other = photo(w, h).mirrored();
    for (auto _ : st) {
        if (st.range(2) == 2)
            k.session.runStep([&] {
                k.session.canvas().setPicture((st.iterations() & 1 ? other : photo(w, h)).copy());
                return History::Keep::Always;
            });
        k.stroke(100);
        const auto start = Clock::now();
        k.session.saveSettings();
        k.session.keepAtEnd();
        st.SetIterationTime(seconds(start));
    }
}
BENCHMARK(BM_CloseWithPainting)
    ->Args({3840, 2160, 0})->Args({3840, 2160, 1})->Args({3840, 2160, 2})
    ->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
