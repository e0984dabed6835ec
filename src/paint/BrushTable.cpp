// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/BrushTable.h"

#include "paint/Brushes.h"

namespace pemma {

namespace {
using enum BrushPhase;
namespace b = brushes;
} // namespace

const std::array<BrushEntry, kBrushCount>& brushTable()
{
    static const std::array<BrushEntry, kBrushCount> table{{
        {0, "通常", BeforePenWidth, b::plainLine},
        {1, "毛筆", BeforePenWidth, b::inkBrush},
        {2, "にじみ1", BeforePenWidth, b::bleed1},
        {3, "にじみ2", BeforePenWidth, b::bleed2},
        {4, "回転", AfterPenWidth, b::orbitDot},
        {5, "霧状1", AfterPenWidth, b::spray},
        {6, "霧状2", AfterPenWidth, b::spray},
        {7, "霧状3", AfterPenWidth, b::spray},
        {8, "虹", AfterPenWidth, b::rainbow},
        {9, "輪1", AfterPenWidth, b::rings},
        {10, "輪2", AfterPenWidth, b::rings},
        {11, "輪3", AfterPenWidth, b::rings},
        {12, "四角", AfterPenWidth, b::spanBox},
        {13, "縦縞", AfterPenWidth, b::verticalBand},
        {14, "横縞", AfterPenWidth, b::horizontalBand},
        {15, "縦線", AfterPenWidth, b::verticalMark},
        {16, "横線", AfterPenWidth, b::horizontalMark},
        {17, "右斜線", AfterPenWidth, b::rightSlantMark},
        {18, "左斜線", AfterPenWidth, b::leftSlantMark},
        {19, "縦波", AfterPenWidth, b::verticalWave},
        {20, "横波", AfterPenWidth, b::horizontalWave},
        {21, "十字", AfterPenWidth, b::crossMark},
        {22, "斜十字", AfterPenWidth, b::slantCrossMark},
        {23, "星1", AfterPenWidth, b::star1},
        {24, "星2", AfterPenWidth, b::star2},
        {25, "星3", AfterPenWidth, b::star3},
        {26, "星4", AfterPenWidth, b::star4},
        {27, "紙吹雪", AfterPenWidth, b::confetti},
        {28, "水彩縦長", AfterSliders, b::watercolourTall},
        {29, "水彩横長", AfterSliders, b::watercolourWide},
        {30, "塗りつぶし用", AfterSliders, b::fillArea},
        {31, "放射", AfterSliders, b::radiate},
        {32, "二重放射", AfterSliders, b::doubleRadiate},
        {33, "多重円", AfterSliders, b::bandedRings},
        {34, "立体格子", AfterSliders, b::lattice},
        {35, "渦", AfterSliders, b::vortex},
        {36, "回転線", AfterSliders, b::spinningLine},
        {37, "ぼかし筆1", AfterSliders, b::blurFine},
        {38, "ぼかし筆2", AfterSliders, b::blurCoarse},
        {39, "モザイク筆", AfterSliders, b::mosaic},
        {40, "クレヨン", AfterSliders, b::crayon},
        {41, "混合色１", AfterSliders, b::mixedColour1},
        {42, "混合色２", AfterSliders, b::mixedColour2},
        {43, "混合色３", AfterSliders, b::mixedColour3},
        {44, "同心円", AfterSliders, b::concentricCircles},
        {45, "二重同心円", AfterSliders, b::doubleConcentricCircles},
    }};
    return table;
}

} // namespace pemma
