// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/ColourSliderStyle.h"

#include <QPainter>
#include <QStyleOptionComplex>

namespace pemma {

int ColourSliderStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_ScrollBarSliderMin)
        return 6;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void ColourSliderStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                           QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control != CC_ScrollBar)
        return;
    const QRect thumb = subControlRect(CC_ScrollBar, option, SC_ScrollBarSlider, widget);
    painter->fillRect(thumb.adjusted(1, 1, -1, -1), option->palette.color(QPalette::Dark));
}

} // namespace pemma
