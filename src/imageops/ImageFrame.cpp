// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageops/ImageFrame.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imageops/Parallel.h"

namespace pemma::imageops {

void applyDefaultPictureSize(DrawingState& state)
{
    if (state.pictureWidth == 0 || state.pictureHeight == 0) {
        state.pictureWidth = state.screenWidthTwips;
        state.pictureHeight = state.screenHeightTwips;
    }
}

void ensureRgb32(Canvas& canvas)
{
    QImage& image = canvas.image();
    if (image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_RGB32);
    image.bits(); // detach now, before any row pointer is taken
}

ScratchCopy::ScratchCopy(const Canvas& canvas, int left, int top, int right, int bottom)
    : fullW_(canvas.width()), fullH_(canvas.height())
{
    // The copy starts at column 0 whatever the left edge, so that a row of
    // it is indexed by canvas column without stepping before its start.
    top_ = std::max(0, top);
    right = std::min(right, fullW_ - 1);
    bottom = std::min(bottom, fullH_ - 1);
    if (right < std::max(0, left) || bottom < top_)
        return;
    const QImage& from = canvas.image();
    copy_ = QImage(right + 1, bottom - top_ + 1, from.format());
    if (copy_.isNull())
        return;
    const size_t rowBytes = static_cast<size_t>(right + 1) * 4;
    // Row pointers taken here: a non-const QImage call on several threads at
    // once is not safe.
    uchar* to = copy_.bits();
    const qsizetype toStride = copy_.bytesPerLine();
    const uchar* source = from.constBits();
    const qsizetype fromStride = from.bytesPerLine();
    parallelFor(copy_.height(), 32, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            std::memcpy(to + y * toStride, source + (top_ + y) * fromStride, rowBytes);
    });
    bits_ = reinterpret_cast<const QRgb*>(copy_.constBits());
    stride_ = copy_.bytesPerLine() / 4;
}

namespace {

// The drawing a clearing command took last, kept for the next one.
std::mutex spareLock;
QImage spareDrawing;

QImage freshDrawing(QSize size, QImage::Format format)
{
    {
        const std::lock_guard<std::mutex> hold(spareLock);
        if (spareDrawing.size() == size && spareDrawing.format() == format)
            return std::move(spareDrawing);
    }
    return QImage(size, format);
}

} // namespace

ScratchCopy ScratchCopy::takeDrawing(Canvas& canvas)
{
    ScratchCopy c;
    c.fullW_ = canvas.width();
    c.fullH_ = canvas.height();
    QImage& drawing = canvas.image();
    c.copy_ = std::move(drawing);
    drawing = freshDrawing(c.copy_.size(), c.copy_.format());
    c.bits_ = reinterpret_cast<const QRgb*>(c.copy_.constBits());
    c.stride_ = c.copy_.bytesPerLine() / 4;
    c.keepForReuse_ = true;
    return c;
}

ScratchCopy::ScratchCopy(ScratchCopy&& other) noexcept
    : copy_(std::move(other.copy_)), bits_(other.bits_), stride_(other.stride_), top_(other.top_),
      fullW_(other.fullW_), fullH_(other.fullH_), keepForReuse_(other.keepForReuse_)
{
    other.bits_ = nullptr;
    other.keepForReuse_ = false;
}

ScratchCopy::~ScratchCopy()
{
    // Only a drawing no one else shares can be written over later.
    if (keepForReuse_ && !copy_.isNull() && copy_.isDetached()) {
        const std::lock_guard<std::mutex> hold(spareLock);
        spareDrawing = std::move(copy_);
    }
}

} // namespace pemma::imageops
