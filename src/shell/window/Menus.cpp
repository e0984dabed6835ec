// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/Menus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include "files/FileCommands.h"
#include "imageops/Operations.h"
#include "paint/BrushTable.h"
#include "paint/ChoiceTables.h"
#include "shell/window/CheckMarkMenuStyle.h"

namespace pemma {

namespace {

QAction* addItem(QMenu* menu, const QString& name, const QString& caption, bool checkable = false)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const char* caption)
{
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

} // namespace

MenuActions buildMenus(QMainWindow& window)
{
    MenuActions a;
    QMenuBar* bar = window.menuBar();
    // F10 opens the first menu, as on other desktops.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        if (!bar->actions().isEmpty())
            bar->setActiveAction(bar->actions().first());
    });

    QMenu* mnu = addMenu(bar, "mnu", "メニュー");
    a.bmpopen = addItem(mnu, QStringLiteral("bmpopen"), QStringLiteral("画像開く"));
    a.bmpsave = addItem(mnu, QStringLiteral("bmpsave"), QStringLiteral("bmp完全保存"));
    QMenu* jpg = mnu->addMenu(QStringLiteral("jpg保存"));
    jpg->setObjectName(QStringLiteral("jpgsave"));
    for (int q : kJpegQualities)
        a.jpgsave.emplace_back(q, addItem(jpg, QStringLiteral("jpg%1").arg(q), QString::number(q)));
    a.chback = addItem(mnu, QStringLiteral("chback"), QStringLiteral("背景変更"));
    a.black = addItem(mnu, QStringLiteral("black"), QStringLiteral("背景黒"));
    a.clback = addItem(mnu, QStringLiteral("clback"), QStringLiteral("背景白"));
    a.clsc = addItem(mnu, QStringLiteral("clsc"), QStringLiteral("前景消去"));

    QMenu* gazou = addMenu(bar, "gazou", "画像処理");
    for (const OperationEntry& op : operationTable())
        a.operations.emplace_back(
            op.item, addItem(gazou, QStringLiteral("g%1").arg(op.item), QString::fromUtf8(op.caption)));

    auto* checkStyle = new CheckMarkMenuStyle;
    checkStyle->setParent(&window);
    QMenu* iro = addMenu(bar, "iro", "色選択");
    iro->setStyle(checkStyle);
    for (const ValueItem& item : kColourModeItems)
        a.modes.emplace_back(item.value, addItem(iro, QStringLiteral("i%1").arg(item.value),
                                                 QString::fromUtf8(item.caption), true));

    QMenu* fude = addMenu(bar, "fude", "描画筆選択");
    fude->setStyle(checkStyle);
    for (const BrushEntry& brush : brushTable())
        a.brushes.emplace_back(brush.index, addItem(fude, QStringLiteral("f%1").arg(brush.index),
                                                    QString::fromUtf8(brush.caption), true));

    QMenu* fu = addMenu(bar, "fu", "筆太さ");
    fu->setStyle(checkStyle);
    for (int size : kThicknessItems)
        a.sizes.emplace_back(size, addItem(fu, QStringLiteral("fu%1").arg(size), QString::number(size), true));
    return a;
}

} // namespace pemma
