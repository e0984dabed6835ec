// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the keeping tests share with the program they kill: one number for
// a painting, and waiting on a condition while the event loop runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <cstdint>
#include <vector>

#include "keep/KeptFile.h"

namespace pemma::test {

inline std::uint64_t imageHash(const QImage& image, std::uint64_t seed)
{
    if (image.isNull())
        return seed;
    std::uint64_t h = seed ^ (std::uint64_t(image.width()) << 32 | std::uint32_t(image.height())) ^ image.format();
    for (int y = 0; y < image.height(); ++y)
        h = keptHash(image.constScanLine(y), static_cast<std::size_t>(image.width()) * 4, h);
    return h;
}

// The drawing, background colour, picture and picture size in one number.
inline std::uint64_t paintingHash(const QImage& drawing, Colour back, const QImage& picture, double pictureWidth,
                                  double pictureHeight)
{
    const double values[3] = {double(back), pictureWidth, pictureHeight};
    return keptHash(values, sizeof values, imageHash(drawing, 1) ^ imageHash(picture, 2));
}
inline std::uint64_t paintingHash(const KeptPainting& p)
{
    return paintingHash(p.drawing, p.backColor, p.picture, p.pictureWidth, p.pictureHeight);
}

// Runs the event loop until done() holds; false after timeoutMs without.
template <typename F>
bool waitFor(F done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace pemma::test
