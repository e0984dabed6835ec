#include "imageops/ImageFrame.h"

#include <algorithm>

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
    if (right >= std::max(0, left) && bottom >= top_)
        copy_ = canvas.image().copy(0, top_, right + 1, bottom - top_ + 1);
    if (!copy_.isNull()) {
        bits_ = reinterpret_cast<const QRgb*>(copy_.constBits());
        stride_ = copy_.bytesPerLine() / 4;
    }
}

} // namespace pemma::imageops
