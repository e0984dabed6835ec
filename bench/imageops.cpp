// SPDX-License-Identifier: GPL-3.0-or-later
// Every command of "画像処理" on a full-screen drawing holding a photo-like
// picture, at 1920 x 1080 and at 3840 x 2160 (the arguments are the width and
// height, then the number of threads sharing the work), and the plain
// point-by-point walk of two of them for comparison.
// The picture and the picture size are restored outside the measured part
// before every run.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "canvas/Canvas.h"
#include "imageops/Operations.h"
#include "imageops/Parallel.h"
#include "reference/ReferenceWalk.h"
#include "state/DrawingState.h"

using namespace pemma;

namespace {

// Smooth gradients with a little noise, like a photograph.
QImage makePhoto(int w, int h)
{
    QImage p(w, h, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 24) % 25) - 12;
    };
    auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(p.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = clamp(x * 255 / w + noise());
            const int g = clamp(static_cast<int>(128 + 100 * std::sin(x / 150.0 + y / 90.0)) + noise());
            const int b = clamp(y * 255 / h + noise());
            row[x] = qRgb(r, g, b);
        }
    }
    return p;
}

struct Screen {
    int w, h;
    QImage photo;
    DrawingState state;
    Canvas canvas;
    OperationContext ctx{state, canvas, nullptr};
    explicit Screen(const benchmark::State& bs)
        : w(static_cast<int>(bs.range(0))), h(static_cast<int>(bs.range(1))), photo(makePhoto(w, h)), canvas(w, h)
    {
        reset();
    }
    // The photo back on the drawing and the picture size unset (the whole
    // screen), without sharing the photo's pixels.
    void reset()
    {
        state.screenWidthTwips = w * 15;
        state.screenHeightTwips = h * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
        state.pictureWidth = state.pictureHeight = 0;
        std::memcpy(canvas.image().bits(), photo.constBits(), photo.sizeInBytes());
    }
};

void runFast(benchmark::State& bs, int item)
{
    imageops::setWorkerCount(static_cast<int>(bs.range(2)));
    Screen s(bs);
    runOperation(item, s.ctx); // builds the colour tables once
    for (auto _ : bs) {
        bs.PauseTiming();
        s.reset();
        bs.ResumeTiming();
        runOperation(item, s.ctx);
        benchmark::DoNotOptimize(s.canvas.image().constBits());
    }
    imageops::setWorkerCount(0);
}

void runPointByPoint(benchmark::State& bs, int item)
{
    Screen s(bs);
    for (auto _ : bs) {
        bs.PauseTiming();
        s.reset();
        bs.ResumeTiming();
        imageops::runReferenceOperation(item, s.ctx);
        benchmark::DoNotOptimize(s.canvas.image().constBits());
    }
}

const bool registered = [] {
    for (const OperationEntry& e : operationTable()) {
        std::string name = "g";
        name += std::to_string(e.item) + "_" + e.caption;
        benchmark::RegisterBenchmark(name.c_str(), runFast, e.item)
            ->ArgNames({"w", "h", "threads"})
            ->Args({1920, 1080, 1})
            ->Args({1920, 1080, 2})
            ->Args({3840, 2160, 1})
            ->Args({3840, 2160, 2})
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    for (int item : {9, 31}) {
        const std::string name = "pointByPoint_g" + std::to_string(item) + "_" + operationTable()[item - 1].caption;
        benchmark::RegisterBenchmark(name.c_str(), runPointByPoint, item)
            ->ArgNames({"w", "h"})
            ->Args({1920, 1080})
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    }
    return true;
}();

} // namespace
