// SPDX-License-Identifier: GPL-3.0-or-later
// Sharing a 3840 x 2160 drawing: what Ctrl+C costs the window's thread, how
// soon the PNG is ready and what a request for the BMP costs, what Qt's own conversion of a QImage put on the
// clipboard would cost at each request, Ctrl+V of a PNG from the clipboard
// (decode, the drawing rebuilt, the undo step), and Ctrl+S (PNG written,
// synced and renamed). The drawing is photo-like: gradients with noise, the
// hardest kind for PNG; the save is also timed on strokes over white.
#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

#include "files/ClipboardContent.h"
#include "support/StrokeDriver.h"
#include "unit/files/ScriptedDialogs.h"

namespace {

using namespace pemma;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 3840, kHeight = 2160;

QImage photo()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 27); // 0..31
            row[x] = qRgb((x * 255 / kWidth + n) & 0xFF, (y * 255 / kHeight + n) & 0xFF,
                          ((x + y) * 255 / (kWidth + kHeight) + n / 2) & 0xFF);
        }
    }
    return image;
}

// Strokes on white: what a painting usually is, and easier for PNG.
QImage strokes()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    quint32 r = 777;
    auto next = [&r](int n) {
        r = r * 1664525u + 1013904223u;
        return int((r >> 8) % quint32(n));
    };
    for (int i = 0; i < 400; ++i) {
        painter.setPen(QPen(QColor::fromRgb(QRgb(r)), 1 + next(30)));
        painter.drawLine(next(kWidth), next(kHeight), next(kWidth), next(kHeight));
    }
    return image;
}

const QImage& drawing()
{
    static const QImage image = photo();
    return image;
}

const QImage& painting()
{
    static const QImage image = strokes();
    return image;
}

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Ctrl+C on the window's thread: the copy of the drawing and the start of
// its encoding.
void BM_Copy3840x2160(benchmark::State& st)
{
    const QImage& image = drawing();
    for (auto _ : st) {
        const auto start = Clock::now();
        std::unique_ptr<QMimeData> copy = canvasCopy(image);
        st.SetIterationTime(seconds(start));
        benchmark::DoNotOptimize(copy.get());
        copy.reset(); // stops the encoder
    }
}
BENCHMARK(BM_Copy3840x2160)->UseManualTime()->Unit(benchmark::kMillisecond);

// From Ctrl+C until a program asking for the PNG gets it.
void BM_CopyUntilPngReady3840x2160(benchmark::State& st)
{
    qint64 bytes = 0;
    for (auto _ : st) {
        std::unique_ptr<QMimeData> copy = canvasCopy(drawing());
        bytes = copy->data(QStringLiteral("image/png")).size();
    }
    st.counters["png_MB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_CopyUntilPngReady3840x2160)->Unit(benchmark::kMillisecond);

// A program asking for the BMP: encoded then, on the window's thread.
void BM_CopyBmpOnRequest3840x2160(benchmark::State& st)
{
    const QImage& image = drawing();
    for (auto _ : st) {
        std::unique_ptr<QMimeData> copy = canvasCopy(image);
        const auto start = Clock::now();
        benchmark::DoNotOptimize(copy->data(QStringLiteral("image/bmp")).size());
        st.SetIterationTime(seconds(start));
    }
}
BENCHMARK(BM_CopyBmpOnRequest3840x2160)->UseManualTime()->Unit(benchmark::kMillisecond);

// A QImage put on the clipboard instead is converted by Qt on the window's
// thread at every request, as PNG at the writer's default level.
void BM_QtPngConversionOnRequest3840x2160(benchmark::State& st)
{
    for (auto _ : st) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(drawing());
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_QtPngConversionOnRequest3840x2160)->Unit(benchmark::kMillisecond);

// Ctrl+V of the PNG another program offers: from the clipboard's bytes to
// the rebuilt drawing, with its undo step. Undone between the pastes.
void BM_PastePng3840x2160(benchmark::State& st)
{
    test::Rig rig(kWidth, kHeight);
    test::ScriptedDialogs dialogs;
    test::ScriptedWindow window;
    rig.session.setFileUi(&dialogs, &window);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        writePng(drawing(), &buffer);
    }
    QMimeData offered;
    offered.setData(QStringLiteral("image/png"), png);
    for (auto _ : st) {
        const auto start = Clock::now();
        const bool pasted = rig.session.pastePicture(&offered).pasted;
        st.SetIterationTime(seconds(start));
        if (!pasted)
            st.SkipWithError("paste failed");
        rig.session.undo();
    }
}
BENCHMARK(BM_PastePng3840x2160)->UseManualTime()->Unit(benchmark::kMillisecond);

// Ctrl+S once the name is chosen and confirmed: encoded, written, synced,
// renamed over the earlier file. Argument 0: the photo-like drawing, 1:
// strokes on white.
void BM_SavePng3840x2160(benchmark::State& st)
{
    const QImage& image = st.range(0) == 0 ? drawing() : painting();
    test::Rig rig(kWidth, kHeight);
    test::ScriptedDialogs dialogs;
    test::ScriptedWindow window;
    rig.session.setFileUi(&dialogs, &window);
    rig.canvas.setPicture(image);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("saved.png"));
    for (auto _ : st) {
        dialogs.choose(name);
        dialogs.answer(true);
        rig.session.savePng();
    }
    if (!dialogs.errors.empty())
        st.SkipWithError("save failed");
}
BENCHMARK(BM_SavePng3840x2160)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
