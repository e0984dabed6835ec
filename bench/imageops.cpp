// Every command of "画像処理" on a full-screen 1920 x 1080 drawing holding a
// photo-like picture, and the plain point-by-point walk of two of them for
// comparison. The picture and the picture size are restored outside the
// measured part before every run.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "canvas/Canvas.h"
#include "imageops/Operations.h"
#include "imageops/ReferenceWalk.h"
#include "state/DrawingState.h"

using namespace pemma;

namespace {

constexpr int kW = 1920, kH = 1080;

// Smooth gradients with a little noise, like a photograph.
const QImage& photo()
{
    static const QImage img = [] {
        QImage p(kW, kH, QImage::Format_RGB32);
        std::uint32_t seed = 12345;
        auto noise = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int>((seed >> 24) % 25) - 12;
        };
        auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
        for (int y = 0; y < kH; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(p.scanLine(y));
            for (int x = 0; x < kW; ++x) {
                const int r = clamp(x * 255 / kW + noise());
                const int g = clamp(static_cast<int>(128 + 100 * std::sin(x / 150.0 + y / 90.0)) + noise());
                const int b = clamp(y * 255 / kH + noise());
                row[x] = qRgb(r, g, b);
            }
        }
        return p;
    }();
    return img;
}

struct Screen {
    DrawingState state;
    Canvas canvas{kW, kH};
    OperationContext ctx{state, canvas, nullptr};
    Screen() { reset(); }
    // The photo back on the drawing and the picture size unset (the whole
    // screen), without sharing the photo's pixels.
    void reset()
    {
        state.screenWidthTwips = kW * 15;
        state.screenHeightTwips = kH * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
        state.pictureWidth = state.pictureHeight = 0;
        std::memcpy(canvas.image().bits(), photo().constBits(), photo().sizeInBytes());
    }
};

void runFast(benchmark::State& bs, int item)
{
    Screen s;
    runOperation(item, s.ctx); // builds the colour tables once
    for (auto _ : bs) {
        bs.PauseTiming();
        s.reset();
        bs.ResumeTiming();
        runOperation(item, s.ctx);
        benchmark::DoNotOptimize(s.canvas.image().constBits());
    }
}

void runPointByPoint(benchmark::State& bs, int item)
{
    Screen s;
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
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    for (int item : {9, 31}) {
        const std::string name = "pointByPoint_g" + std::to_string(item) + "_" + operationTable()[item - 1].caption;
        benchmark::RegisterBenchmark(name.c_str(), runPointByPoint, item)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    }
    return true;
}();

} // namespace
