// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QProxyStyle>

namespace pemma {

// The selection menus show a check mark beside the chosen item and nothing
// beside the others. The desktop style draws every item that can take a mark
// with a box, empty when unchecked, so a whole menu would be a column of boxes;
// here a checked item gets a plain tick in that place and the others nothing.
class CheckMarkMenuStyle final : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
};

} // namespace pemma
