// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "canvas/Canvas.h"
#include "canvas/ShownCells.h"

class QMouseEvent;
class QPainter;

namespace pemma {

// The client area: shows the persistent drawing and hands its mouse events
// on. The sliders, labels and swatch are its children.
class CanvasView final : public QWidget {
    Q_OBJECT
public:
    CanvasView(const Canvas& drawing, QWidget* parent);

    std::function<void(QMouseEvent*)> onPress, onMove, onRelease;

    // Repaints what changed of the drawing within `area` (every pixel that
    // changed since the last call lies in it), around `pointer` first.
    void showChanged(const QRect& area, std::optional<QPoint> pointer = std::nullopt);
    // Repaints the whole drawing.
    void showAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage* shownImage() const;
    bool copyInto(QPainter& p, const QRegion& region) const;
    void repaintChecked(QRegion changed, const QRect& area, bool now);

    const Canvas& drawing_;
    ShownCells shown_;
    // What showChanged asked to repaint since the last paint: the record in
    // shown_ already describes it as it will be painted.
    QRegion asked_;
};

} // namespace pemma
