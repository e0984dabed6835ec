// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/CanvasView.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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

void CanvasView::showChanged(const QRect& area)
{
    const QRect r = area & rect();
    if (r.isEmpty())
        return;
    if (static_cast<qint64>(r.width()) * r.height() < kCheckedArea) {
        shown_.forget(r);
        update(r);
        return;
    }
    QRegion changed = shown_.changed(drawing_.image(), r, shownImage(), mapTo(window(), QPoint()));
    // The controls on the drawing show what lies under them blended with
    // their own pixels: they are repainted wherever the area meets them.
    for (const QObject* child : children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (w && w->isVisible())
            changed |= w->geometry() & r;
    }
    if (changed.isEmpty())
        return;
    asked_ |= changed;
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
    for (const QRect& r : event->region())
        p.drawImage(r.topLeft(), drawing_.image(), r);
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
