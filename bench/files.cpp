// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files: opening a 1920 x 1080 PNG as the background, saving the
// drawing as BMP and as JPEG at quality 80, each through its whole command.
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "files/FileCommands.h"
#include "unit/files/ScriptedDialogs.h"

namespace {

using namespace pemma;

struct FilesBench {
    FilesBench() : canvas(1920, 1080)
    {
        state.screenWidthTwips = 1920 * 15;
        state.screenHeightTwips = 1080 * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
        window.width = 1920;
        window.height = 1059;
        // A photo-like picture: smooth gradients with some detail.
        QImage photo(1920, 1080, QImage::Format_RGB32);
        for (int y = 0; y < 1080; ++y) {
            auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < 1920; ++x)
                row[x] = qRgb((x / 8 + y / 16) & 0xFF, (y / 4) & 0xFF, ((x * y) >> 12) & 0xFF);
        }
        png = dir.filePath(QStringLiteral("photo.png"));
        photo.save(png, "png");
        canvas.setPicture(photo);
    }
    FileCommandContext context() { return FileCommandContext{state, canvas, dialogs, window}; }

    QTemporaryDir dir;
    QString png;
    DrawingState state;
    Canvas canvas;
    test::ScriptedDialogs dialogs;
    test::ScriptedWindow window;
};

void BM_OpenPng1920x1080(benchmark::State& st)
{
    FilesBench b;
    for (auto _ : st) {
        b.dialogs.choose(b.png);
        auto ctx = b.context();
        bmpopen_Click(ctx);
    }
    if (!b.dialogs.errors.empty())
        st.SkipWithError("open failed");
}
BENCHMARK(BM_OpenPng1920x1080)->Unit(benchmark::kMillisecond);

void BM_SaveBmp1920x1080(benchmark::State& st)
{
    FilesBench b;
    const QString out = b.dir.filePath(QStringLiteral("out.bmp"));
    for (auto _ : st) {
        b.dialogs.choose(out);
        b.dialogs.answer(true);
        auto ctx = b.context();
        bmpsave_Click(ctx);
    }
    if (!b.dialogs.errors.empty())
        st.SkipWithError("save failed");
}
BENCHMARK(BM_SaveBmp1920x1080)->Unit(benchmark::kMillisecond);

void BM_SaveJpegQ80_1920x1059(benchmark::State& st)
{
    FilesBench b;
    const QString out = b.dir.filePath(QStringLiteral("out.jpg"));
    for (auto _ : st) {
        b.dialogs.choose(out);
        b.dialogs.answer(true);
        auto ctx = b.context();
        jpgsave_Click(ctx, 80);
    }
    if (!b.dialogs.errors.empty())
        st.SkipWithError("save failed");
}
BENCHMARK(BM_SaveJpegQ80_1920x1059)->Unit(benchmark::kMillisecond);

} // namespace
