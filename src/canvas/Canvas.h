// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QBrush>
#include <QImage>
#include <QPen>
#include <QRect>
#include <optional>
#include <vector>

#include "state/Types.h"

namespace pemma {

// Told about every write to the drawing before it happens (the undo history
// keeps what is about to change).
class CanvasWriteObserver {
public:
    virtual ~CanvasWriteObserver() = default;
    // `area` covers every pixel the coming write may change; it may reach
    // beyond the drawing.
    virtual void aboutToWrite(const QRect& area) = 0;
    // The coming write changes only pixels within `reach` pixels, on either
    // axis, of the segment from a to b (so long strokes need not announce
    // the whole box around them).
    virtual void aboutToWriteAlong(QPoint a, QPoint b, int reach) = 0;
};

// The persistent drawing behind the window and the operations every painting
// unit uses: segment, box, circle, point, clear, pixel read and boundary fill,
// with the drawing attributes (foreground colour, pen width, fill style and
// colour, background colour and picture).
//
// Footprints. Every position lands on the pixel given by rounding each
// coordinate half to even. A point of pen width w is a filled disc covering
// the pixels whose distance from its centre is at most w / 2 (a single pixel
// at w = 1). A box outline covers the pixels no further than w / 2 from the
// rectangle's edges on either axis (w / 2 rounded down, square corners, so a
// box of zero width or height is a bar with square ends); a solid fill covers
// the rectangle between the corners, under the outline. Segments and circles
// are aliased QPainter paths with round caps and joins. A segment or box
// whose ends or corners land on one pixel paints the point's dot there.
// Painting with a negative colour (the invalid colour -1) does nothing.
//
// Repaint area: each primitive works out the area it may change first, adds
// it to a dirty rectangle and then writes only inside it (Qt's painting is
// clipped to it), so the dirty rectangle covers every pixel changed since it
// was last taken. The window takes it after each event to repaint only that.
class Canvas {
public:
    enum FillStyle { Solid = 0, Transparent = 1 };

    Canvas(int width, int height);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Write access to the pixels ends what plainRgb() knows.
    QImage& image()
    {
        fillIfUnwritten();
        plain_ = false;
        return image_;
    }
    const QImage& image() const
    {
        fillIfUnwritten();
        return image_;
    }
    // The one colour of every pixel while the drawing is as cls() or the
    // constructor left it with no picture and nothing has written to it since
    // (nor had write access to its pixels); otherwise none. Lets a copy of a
    // blank drawing be made without reading or writing its pixels.
    std::optional<QRgb> plainRgb() const { return plain_ ? std::optional(plainRgb_) : std::nullopt; }

    // Attributes.
    Colour foreColor() const { return foreColor_; }
    void setForeColor(Colour c) { foreColor_ = c; }
    int drawWidth() const { return drawWidth_; }
    // Rounds half to even; kept within 1..32767.
    void setDrawWidth(double w);
    int fillStyle() const { return fillStyle_; }
    void setFillStyle(int style) { fillStyle_ = style; }
    Colour fillColor() const { return fillColor_; }
    void setFillColor(Colour c) { fillColor_ = c; }
    Colour backColor() const { return backColor_; }
    // Setting the background colour or picture rebuilds the drawing at once.
    void setBackColor(Colour c);
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);
    // Rebuilds the drawing from the background colour and picture.
    void cls();

    // Segment in the foreground colour or the given one; leaves the current
    // position at (x2, y2).
    void line(double x1, double y1, double x2, double y2);
    void line(double x1, double y1, double x2, double y2, Colour c);
    // Continued segment from the current position.
    void lineTo(double x2, double y2);
    // Box with opposite corners, outlined in the foreground colour, filled in
    // the fill colour when the fill style is solid.
    void box(double x1, double y1, double x2, double y2);
    // Circle outlined in the foreground colour, filled like the box. Radius 0
    // is a dot of the pen width.
    void circle(double x, double y, double radius);
    // While a CircleBatch lives, circles are announced and claimed at once
    // but painted, in order, when it ends (or a dot comes): a batch
    // covering a large area is painted in two bands of rows side by side, on
    // this thread and a helper thread (Qt's aliased painting sets the same
    // pixels whatever clip it works in). Nothing else may touch the canvas
    // while a batch lives.
    class CircleBatch {
    public:
        explicit CircleBatch(Canvas& canvas);
        ~CircleBatch();
        CircleBatch(const CircleBatch&) = delete;
        CircleBatch& operator=(const CircleBatch&) = delete;

    private:
        Canvas& canvas_;
    };
    // A dot of the pen width in the given colour.
    void pset(double x, double y, Colour c);
    // A segment of the given width, with the footprint of line(), along
    // which every pixel goes back to the background as cls() would leave it:
    // the picture where it lies, the background colour elsewhere. The pen
    // width and the current position stay as they are.
    void restoreLine(double x1, double y1, double x2, double y2, double width);
    // Colour of a pixel, or -1 outside the drawing.
    Colour pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
            return kInvalidColour;
        fillIfUnwritten();
        return fromRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
    }
    // Every writer calls this with the area it is about to change, before it
    // changes it; code that writes the image's rows itself calls it too.
    void aboutToWrite(const QRect& area)
    {
        plain_ = false;
        if (observer_)
            observer_->aboutToWrite(area);
    }
    void setWriteObserver(CanvasWriteObserver* observer) { observer_ = observer; }
    // Puts back the background colour and picture without rebuilding the
    // drawing (its pixels are put back separately).
    void restoreBackground(Colour backColor, const QImage& picture)
    {
        backColor_ = backColor;
        picture_ = picture;
        backdrop_ = QImage();
    }

    double currentX() const { return curX_; }
    double currentY() const { return curY_; }

    // The area changed since the dirty rectangle was last taken; taking it
    // empties it.
    QRect dirty() const { return dirty_; }
    QRect takeDirty();
    void markDirty(const QRect& r)
    {
        plain_ = false;
        dirty_ |= r.intersected(image_.rect());
    }

    // Horizontal half-extent of each row of a dot of pen width w, rows from
    // -r to r (r = the row reach); the dot covers (cx + dx, cy + dy) for
    // |dx| <= spans[dy + r].
    struct DotShape {
        int reach = 0;
        std::vector<int> spans;
    };
    static const DotShape& dotShape(int w);

    static QRgb toRgb(Colour c)
    {
        return 0xFF000000u | (static_cast<QRgb>(c & 0xFF) << 16) | (static_cast<QRgb>(c) & 0xFF00u)
             | ((static_cast<QRgb>(c) >> 16) & 0xFFu);
    }
    static Colour fromRgb(QRgb p)
    {
        return static_cast<Colour>(((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16));
    }

private:
    // A new drawing's pixels are written when they are first needed (at the
    // latest, when the window first shows them), not when it is made: the
    // first write of a screen-sized image costs page faults, and a start
    // need not wait for them before its window appears.
    void fillIfUnwritten() const
    {
        if (unwritten_) {
            image_.fill(plainRgb_);
            unwritten_ = false;
        }
    }
    struct PendingCircle {
        QPointF centre;
        double radius;
        QPen pen;
        QBrush brush;
        QRect area;
    };
    void paintCircle(QPainter& p, const PendingCircle& c, const QRect& band);
    void paintPendingCircles();
    // The aliased segment from a to b with round ends of the given width, in
    // the pen makePen() gives (made only when something is to be painted).
    template <typename MakePen>
    void strokeSegment(QPoint a, QPoint b, int width, MakePen makePen);
    void strokePath(const class QPainterPath& path, Colour c, bool fill);
    void announceSegment(QPoint a, QPoint b, int width);
    // The drawing as cls() builds it, made when first asked for and kept
    // until the background colour or picture changes.
    const QImage& backdrop();
    void announceCircle(double x, double y, double radius, bool filled);
    // Adds `area`, cut to the drawing, to the dirty rectangle and returns the
    // cut area; the caller then writes only inside what it returns.
    QRect claim(const QRect& area);
    // Fills the rows of r, which lies inside the drawing.
    void fillRows(const QRect& r, QRgb rgb);
    // Claims and announces the dot of width w centred on pixel (cx, cy) and
    // hands each of its rows on the drawing to write(y, x0, x1), ends included.
    template <typename WriteRow>
    void forDotRows(int cx, int cy, int w, WriteRow write);
    // The dot of the pen width centred on pixel (cx, cy).
    void paintDot(int cx, int cy, QRgb rgb);
    // The dot of width w centred on pixel (cx, cy), taken from the backdrop.
    void restoreDot(int cx, int cy, int w);

    mutable QImage image_;
    mutable bool unwritten_ = true;
    bool plain_ = true;
    QRgb plainRgb_ = 0;
    QImage picture_;
    QImage backdrop_;
    Colour foreColor_ = kBlack;
    int drawWidth_ = 1;
    int fillStyle_ = Transparent;
    Colour fillColor_ = kBlack;
    Colour backColor_ = kWhite;
    double curX_ = 0, curY_ = 0;
    QRect dirty_;
    CanvasWriteObserver* observer_ = nullptr;
    bool batching_ = false;
    std::vector<PendingCircle> pending_;
};

} // namespace pemma
