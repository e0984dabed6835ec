// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/CheckMarkMenuStyle.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

namespace pemma {

void CheckMarkMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const
{
    const bool indicator = element == PE_IndicatorCheckBox || element == PE_IndicatorMenuCheckMark
                        || element == PE_IndicatorRadioButton;
    if (!indicator || !qobject_cast<const QMenu*>(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (!(option->state & State_On))
        return;
    const QRectF r = QRectF(option->rect).adjusted(1, 1, -1, -1);
    const qreal side = std::min(r.width(), r.height());
    const QRectF box(r.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const QPointF tick[] = {box.topLeft() + QPointF(0.15 * side, 0.55 * side),
                            box.topLeft() + QPointF(0.40 * side, 0.80 * side),
                            box.topLeft() + QPointF(0.85 * side, 0.20 * side)};
    const QPalette::ColorGroup group = option->state & State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QPalette::ColorRole role = option->state & State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    QPen pen(option->palette.color(group, role), std::max<qreal>(1.5, side / 7));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->drawPolyline(tick, 3);
    painter->restore();
}

} // namespace pemma
