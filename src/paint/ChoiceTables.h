// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>

// The choices of "色選択" and "筆太さ", beside the brush table: the menus are
// built from them.

namespace pemma {

struct ValueItem {
    int value;
    const char* caption;
};

// "色選択": item i<N> selects colour mode N.
inline constexpr std::array<ValueItem, 11> kColourModeItems{{
    {1, "単色"}, {2, "色変化"}, {3, "ランダム"}, {4, "連続1"}, {5, "連続2"}, {6, "連続3"},
    {7, "連続4"}, {8, "水墨1"}, {9, "水墨2"}, {10, "水墨3"}, {11, "色取得"},
}};

// "筆太さ": item fu<N> selects thickness N; there are no items in between.
inline constexpr std::array<int, 17> kThicknessItems{1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 25, 30, 40, 50, 60, 80, 100};

} // namespace pemma
