// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "files/FileCommands.h"
#include "support/StrokeDriver.h"
#include "unit/files/ScriptedDialogs.h"

namespace pemma::test {

// A 1024 x 768 screen at 15 twips per pixel with a real canvas, scripted
// dialogs and window, and a temporary folder for the files.
class FilesTest : public ::testing::Test {
protected:
    FileCommandContext context() { return FileCommandContext{rig.state, rig.canvas, dialogs, window}; }
    QString path(const QString& name) const { return dir.filePath(name); }

    // A picture whose every pixel differs from its neighbours.
    static QImage pattern(int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (y * 5 + 3 * x) & 0xFF, (x ^ y) & 0xFF));
        return img;
    }
    static QByteArray bytes(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeBytes(const QString& file, const QByteArray& data)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(data), data.size());
    }

    Rig rig;
    ScriptedDialogs dialogs;
    ScriptedWindow window;
    QTemporaryDir dir;
};

} // namespace pemma::test
