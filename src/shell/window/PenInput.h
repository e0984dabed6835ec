// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QPointF>
#include <functional>
#include <optional>

class QTabletEvent;
class QTouchEvent;
class QWidget;

namespace pemma {

class PaintSession;

// A tablet's pen and eraser and a touch screen's first finger on the canvas
// view, turned into the session's pen strokes. Their events are taken here,
// so Qt makes no mouse events of them: a stroke starts where the pen or the
// finger touches down, wherever the mouse pointer was, and a pen's pressure
// reaches the brushes. Further fingers are ignored while the first is down.
// A press on one of the view's children (a slider, a label, the swatch) is
// left to Qt, which hands it to that child as a mouse press.
class PenInput final : public QObject {
public:
    // `changed` runs after every event that reached the session, with where
    // the pen or finger is.
    PenInput(QWidget* view, PaintSession& session, std::function<void(QPoint)> changed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool tablet(QTabletEvent* event);
    bool touch(QTouchEvent* event);
    bool onChild(QPointF pos) const;

    QWidget* view_;
    PaintSession& session_;
    std::function<void(QPoint)> changed_;
    bool penDown_ = false;
    // The finger that paints, from its touch until every finger has left.
    std::optional<int> finger_;
    bool fingerDown_ = false;
    QPointF fingerAt_;
};

} // namespace pemma
