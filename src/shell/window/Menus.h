// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <utility>
#include <vector>

class QAction;
class QMainWindow;

namespace pemma {

// An item of a numbered menu: its number (g<N>, i<N>, f<N>, fu<N>, jpg<N>)
// and its action.
using NumberedItems = std::vector<std::pair<int, QAction*>>;

// The actions of the menu bar, for the window to connect.
struct MenuActions {
    // "メニュー"
    QAction* bmpopen = nullptr;
    QAction* bmpsave = nullptr;
    NumberedItems jpgsave;
    QAction* chback = nullptr;
    QAction* black = nullptr;
    QAction* clback = nullptr;
    QAction* clsc = nullptr;
    NumberedItems operations; // "画像処理"
    NumberedItems modes;      // "色選択" (checkable)
    NumberedItems brushes;    // "描画筆選択" (checkable)
    NumberedItems sizes;      // "筆太さ" (checkable)
};

// Builds the window's menu bar from the program's tables; each action's
// object name is its item's name. F10 opens the first menu.
MenuActions buildMenus(QMainWindow& window);

} // namespace pemma
