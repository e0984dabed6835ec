// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/CanvasView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace pemma {

CanvasView::CanvasView(const Canvas& drawing, QWidget* parent) : QWidget(parent), drawing_(drawing)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect r = event->rect();
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
