// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every picture operation shares: the default picture size, the region
// it walks, and raw access to the canvas's pixel rows.
#include <QImage>
#include <cmath>

#include "canvas/Canvas.h"
#include "state/DrawingState.h"

namespace pemma::imageops {

// Before any picture has been opened (or when either size is 0) the picture
// area becomes the whole screen, both sizes at once, and stays so.
void applyDefaultPictureSize(DrawingState& state);

// Region width and height in pixels: the picture size in twips over the twips
// per pixel, unrounded.
inline double regionWidth(const DrawingState& s) { return s.pictureWidth / s.twipsPerPixelX; }
inline double regionHeight(const DrawingState& s) { return s.pictureHeight / s.twipsPerPixelY; }

// One axis of the walk 1, 1 + s, 1 + 2s, ... while <= extent.
// An extent that is not a finite number walks nothing (a zero twips-per-pixel
// would otherwise never end the walk).
struct WalkAxis {
    double extent = 0;
    int step = 1;

    bool empty() const { return !std::isfinite(extent) || !(extent >= 1.0); }
    // Coordinate of the last point visited (only when not empty).
    double last() const { return 1.0 + step * std::floor((extent - 1.0) / step); }
    // Number of points visited whose coordinate is at most `limit`.
    int countUpTo(long long limit) const
    {
        if (empty())
            return 0;
        const double top = std::min(extent, static_cast<double>(limit));
        if (top < 1.0)
            return 0;
        return static_cast<int>(std::floor((top - 1.0) / step)) + 1;
    }
};

// The colour at a walk point, or -1 beyond the canvas. Walk coordinates are
// whole numbers from 1 upwards, possibly far beyond any canvas.
inline Colour readAt(const Canvas& canvas, double x, double y)
{
    if (!(x >= 0) || !(y >= 0) || x >= canvas.width() || y >= canvas.height())
        return kInvalidColour;
    return canvas.pixel(static_cast<int>(x), static_cast<int>(y));
}

// Moves the canvas's current drawing position to (x, y) as a painted point
// there would, without painting anything.
inline void leavePositionAt(Canvas& canvas, double x, double y) { canvas.pset(x, y, kInvalidColour); }

// Makes sure the drawing is 32-bit RGB so rows can be worked on directly.
void ensureRgb32(Canvas& canvas);

// Direct access to the rows of a 32-bit image, the pointer taken once.
class Rows {
public:
    explicit Rows(QImage& image)
        : bits_(reinterpret_cast<QRgb*>(image.bits())), stride_(image.bytesPerLine() / 4),
          width_(image.width()), height_(image.height())
    {
    }
    QRgb* operator[](int y) const { return bits_ + y * stride_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    QRgb* bits_;
    qsizetype stride_;
    int width_, height_;
};

constexpr QRgb kOpaque = 0xFF000000u;

// The scratch picture `Picture2`: a copy of the rectangle of the canvas that
// an operation will read. Reads inside the canvas but outside the copied
// rectangle are never made; reads beyond the canvas give -1.
class ScratchCopy {
public:
    // Copies the canvas pixels with left <= x <= right, top <= y <= bottom
    // (clipped to the canvas).
    ScratchCopy(const Canvas& canvas, int left, int top, int right, int bottom);
    // Takes the canvas's whole drawing as the copy, without copying it, and
    // leaves the canvas a drawing of the same size whose pixels are not set:
    // for commands that clear the canvas next. The taken drawing is kept
    // afterwards as the next such command's fresh drawing, so that a screen's
    // worth of memory is not handed back and asked for again each time.
    static ScratchCopy takeDrawing(Canvas& canvas);
    ScratchCopy(ScratchCopy&& other) noexcept;
    ScratchCopy& operator=(ScratchCopy&&) = delete;
    ~ScratchCopy();
    bool inside(long long x, long long y) const { return x >= 0 && y >= 0 && x < fullW_ && y < fullH_; }
    // Raw pixel of a point inside the canvas (and inside the copied rectangle).
    QRgb raw(int x, int y) const { return row(y)[x]; }
    Colour at(long long x, long long y) const
    {
        return inside(x, y) ? Canvas::fromRgb(raw(static_cast<int>(x), static_cast<int>(y))) : kInvalidColour;
    }
    // Row y, indexed by canvas column; null when nothing was copied.
    const QRgb* row(int y) const { return bits_ ? bits_ + (y - top_) * stride_ : nullptr; }

private:
    ScratchCopy() = default;
    QImage copy_;
    const QRgb* bits_ = nullptr;
    qsizetype stride_ = 0;
    int top_ = 0;
    int fullW_ = 0, fullH_ = 0;
    bool keepForReuse_ = false;
};

} // namespace pemma::imageops
