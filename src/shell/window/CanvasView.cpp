// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/CanvasView.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPaintEngine>
#include <cmath>
#include <cstring>

#include "canvas/HelperThread.h"

namespace pemma {

CanvasView::CanvasView(const Canvas& drawing, QWidget* parent)
    : QWidget(parent), drawing_(drawing), shown_(drawing.width(), drawing.height())
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

namespace {

// Below this many pixels an area is repainted whole: checking it would cost
// about as much as painting it.
constexpr qint64 kCheckedArea = 256 * 256;
// How far around the pointer a large repaint is sent ahead of the rest:
// about an inch on a 4K screen.
constexpr int kPointerReach = 128;

} // namespace

// The picture the window shows, when it can be read: on X11 the window's
// backing store is an image in memory holding what was last sent to the
// display. It lets cells of several colours be compared rather than
// repainted.
const QImage* CanvasView::shownImage() const
{
    static const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!onX11 || !isVisible() || devicePixelRatioF() != 1)
        return nullptr;
    QBackingStore* store = backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    const auto* image = static_cast<const QImage*>(device);
    return image->devicePixelRatio() == 1 ? image : nullptr;
}

void CanvasView::showChanged(const QRect& area, std::optional<QPoint> pointer)
{
    const QRect r = area & rect();
    if (r.isEmpty())
        return;
    if (static_cast<qint64>(r.width()) * r.height() < kCheckedArea) {
        shown_.forget(r);
        update(r);
        return;
    }
    const QImage* shown = shownImage();
    const QPoint offset = mapTo(window(), QPoint());
    // A large brush's stamp takes a while to check and, on X11, reaches the
    // display rectangle by rectangle, top to bottom: there the part around
    // the pointer, where the eye is, is checked, painted and sent first, on
    // its own. The check of the whole area that follows finds it shown
    // already. (A Wayland compositor takes each repaint whole, at its own
    // pace.)
    if (pointer && shown) {
        const QRect near = r & QRect(*pointer - QPoint(kPointerReach, kPointerReach),
                                     QSize(2 * kPointerReach, 2 * kPointerReach));
        if (!near.isEmpty() && near != r)
            repaintChecked(shown_.changed(drawing_.image(), near, shown, offset), near, true);
    }
    repaintChecked(shown_.changed(drawing_.image(), r, shown, offset), r, false);
}

// Repaints what a check of `area` found changed, at once or later.
void CanvasView::repaintChecked(QRegion changed, const QRect& area, bool now)
{
    // The controls on the drawing show what lies under them blended with
    // their own pixels: they are repainted wherever the area meets them.
    for (const QObject* child : children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (w && w->isVisible())
            changed |= w->geometry() & area;
    }
    if (changed.isEmpty())
        return;
    asked_ |= changed;
    if (now)
        repaint(changed);
    else
        update(changed);
}

void CanvasView::showAll()
{
    shown_.forgetAll();
    update();
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    // What is painted here without showChanged having asked for it (a
    // first showing, a resize, a small area) is no longer known.
    for (const QRect& r : event->region() - asked_)
        shown_.forget(r);
    asked_ = QRegion();
    QPainter p(this);
    if (!copyInto(p, event->region()))
        for (const QRect& r : event->region())
            p.drawImage(r.topLeft(), drawing_.image(), r);
}

// Copies the drawing's pixels in `region` straight into the window's picture
// when `p` paints on it unscaled (on X11, the backing store), the rows of
// a large region shared with the helper thread: a stroke of a large brush
// changes millions of pixels a move. Returns false, having copied nothing,
// when it cannot.
bool CanvasView::copyInto(QPainter& p, const QRegion& region) const
{
    const QImage* store = shownImage();
    const QPaintEngine* engine = p.paintEngine();
    if (!store || !engine || engine->paintDevice() != store || drawing_.image().format() != QImage::Format_RGB32 ||
        (store->format() != QImage::Format_RGB32 && store->format() != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return false;
    const QPoint offset(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    const QImage& from = drawing_.image();
    // Within what the painter may paint (opaque controls left out).
    QRegion inside = region & from.rect() & store->rect().translated(-offset);
    if (const QRegion clip = engine->systemClip(); !clip.isEmpty())
        inside &= clip.translated(-offset);
    if (inside != region)
        return false;
    // The painter works on the same memory; written through its start, so
    // that the picture is never detached from the window.
    auto* bits = const_cast<uchar*>(store->constBits());
    const qsizetype stride = store->bytesPerLine();
    auto copyRows = [&](bool lowerHalves) {
        for (const QRect& r : inside) {
            const int middle = r.top() + r.height() / 2;
            const int y0 = lowerHalves ? middle : r.top(), y1 = lowerHalves ? r.bottom() + 1 : middle;
            for (int y = y0; y < y1; ++y)
                std::memcpy(bits + (y + offset.y()) * stride + (r.left() + offset.x()) * 4,
                            from.constScanLine(y) + r.left() * 4, static_cast<size_t>(r.width()) * 4);
        }
    };
    qint64 pixels = 0;
    for (const QRect& r : inside)
        pixels += static_cast<qint64>(r.width()) * r.height();
    if (pixels >= kCheckedArea)
        runBeside([&] { copyRows(true); }, [&] { copyRows(false); });
    else {
        copyRows(false);
        copyRows(true);
    }
    return true;
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    if (onPress)
        onPress(event);
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (onMove)
        onMove(event);
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (onRelease)
        onRelease(event);
}

} // namespace pemma
