// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QProxyStyle>

namespace pemma {

// The colour sliders are only 49 pixels wide. The desktop style's minimum
// thumb length would fill their whole track, so the thumb could neither be
// seen to move nor be dragged; a short, dark thumb keeps the position visible.
class ColourSliderStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
};

} // namespace pemma
