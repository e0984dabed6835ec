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
        {1, "毛筆", BeforePenWidth, nullptr},
        {2, "にじみ1", BeforePenWidth, nullptr},
        {3, "にじみ2", BeforePenWidth, nullptr},
        {4, "回転", AfterPenWidth, nullptr},
        {5, "霧状1", AfterPenWidth, nullptr},
        {6, "霧状2", AfterPenWidth, nullptr},
        {7, "霧状3", AfterPenWidth, nullptr},
        {8, "虹", AfterPenWidth, nullptr},
        {9, "輪1", AfterPenWidth, nullptr},
        {10, "輪2", AfterPenWidth, nullptr},
        {11, "輪3", AfterPenWidth, nullptr},
        {12, "四角", AfterPenWidth, nullptr},
        {13, "縦縞", AfterPenWidth, nullptr},
        {14, "横縞", AfterPenWidth, nullptr},
        {15, "縦線", AfterPenWidth, nullptr},
        {16, "横線", AfterPenWidth, nullptr},
        {17, "右斜線", AfterPenWidth, nullptr},
        {18, "左斜線", AfterPenWidth, nullptr},
        {19, "縦波", AfterPenWidth, nullptr},
        {20, "横波", AfterPenWidth, nullptr},
        {21, "十字", AfterPenWidth, nullptr},
        {22, "斜十字", AfterPenWidth, nullptr},
        {23, "星1", AfterPenWidth, nullptr},
        {24, "星2", AfterPenWidth, nullptr},
        {25, "星3", AfterPenWidth, nullptr},
        {26, "星4", AfterPenWidth, nullptr},
        {27, "紙吹雪", AfterPenWidth, nullptr},
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
