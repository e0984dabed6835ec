// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/PenInput.h"

#include <QTabletEvent>
#include <QTouchEvent>
#include <QWidget>

#include "session/PaintSession.h"

namespace pemma {

namespace {

std::optional<double> pressureOf(const QTabletEvent* event)
{
    const QPointingDevice* device = event->pointingDevice();
    if (!device || !device->capabilities().testFlag(QInputDevice::Capability::Pressure))
        return std::nullopt;
    return event->pressure();
}

} // namespace

PenInput::PenInput(QWidget* view, PaintSession& session, std::function<void(QPoint)> changed)
    : QObject(view), view_(view), session_(session), changed_(std::move(changed))
{
    view_->setAttribute(Qt::WA_AcceptTouchEvents);
    view_->installEventFilter(this);
}

bool PenInput::onChild(QPointF pos) const { return view_->childAt(pos.toPoint()) != nullptr; }

bool PenInput::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != view_)
        return false;
    switch (event->type()) {
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return tablet(static_cast<QTabletEvent*>(event));
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        return touch(static_cast<QTouchEvent*>(event));
    default:
        return false;
    }
}

bool PenInput::tablet(QTabletEvent* event)
{
    const QPointF pos = event->position();
    switch (event->type()) {
    case QEvent::TabletPress:
        if (onChild(pos))
            return false;
        session_.penDown(pos,
                         event->pointerType() == QPointingDevice::PointerType::Eraser ? PaintSession::Tip::Eraser
                                                                                      : PaintSession::Tip::Pen,
                         pressureOf(event));
        penDown_ = true;
        break;
    case QEvent::TabletMove:
        // Over a child, a pen off the surface is the child's (its pointer).
        if (!penDown_ && onChild(pos))
            return false;
        session_.penMove(pos, penDown_, pressureOf(event));
        break;
    default: // TabletRelease
        if (!penDown_)
            return false;
        penDown_ = false;
        session_.penUp(pos);
        break;
    }
    event->accept();
    changed_(pos.toPoint());
    return true;
}

bool PenInput::touch(QTouchEvent* event)
{
    if (event->type() == QEvent::TouchBegin) {
        const QEventPoint& first = event->points().constFirst();
        if (onChild(first.position()))
            return false; // Qt hands the child a mouse press instead
        finger_ = first.id();
        fingerDown_ = true;
        fingerAt_ = first.position();
        session_.penDown(first.position(), PaintSession::Tip::Pen, std::nullopt);
    } else {
        for (const QEventPoint& p : event->points()) {
            if (!fingerDown_ || p.id() != finger_)
                continue;
            if (p.state() == QEventPoint::Released || event->type() == QEvent::TouchCancel) {
                fingerDown_ = false;
                session_.penUp(p.position());
            } else if (p.state() == QEventPoint::Updated) {
                fingerAt_ = p.position();
                session_.penMove(p.position(), true, std::nullopt);
            }
        }
        if (event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel) {
            if (fingerDown_) // the first finger's release did not come with its point
                session_.penUp(fingerAt_);
            fingerDown_ = false;
            finger_.reset();
        }
    }
    event->accept();
    changed_(fingerAt_.toPoint());
    return true;
}

} // namespace pemma
