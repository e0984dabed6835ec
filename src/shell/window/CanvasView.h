// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

#include "canvas/Canvas.h"

class QMouseEvent;

namespace pemma {

// The client area: shows the persistent drawing and hands its mouse events
// on. The sliders, labels and swatch are its children.
class CanvasView final : public QWidget {
    Q_OBJECT
public:
    CanvasView(const Canvas& drawing, QWidget* parent);

    std::function<void(QMouseEvent*)> onPress, onMove, onRelease;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Canvas& drawing_;
};

} // namespace pemma
