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
        {28, "水彩縦長", AfterSliders, nullptr},
        {29, "水彩横長", AfterSliders, nullptr},
        {30, "塗りつぶし用", AfterSliders, nullptr},
        {31, "放射", AfterSliders, nullptr},
        {32, "二重放射", AfterSliders, nullptr},
        {33, "多重円", AfterSliders, nullptr},
        {34, "立体格子", AfterSliders, nullptr},
        {35, "渦", AfterSliders, nullptr},
        {36, "回転線", AfterSliders, nullptr},
        {37, "ぼかし筆1", AfterSliders, nullptr},
        {38, "ぼかし筆2", AfterSliders, nullptr},
        {39, "モザイク筆", AfterSliders, nullptr},
        {40, "クレヨン", AfterSliders, nullptr},
        {41, "混合色１", AfterSliders, nullptr},
        {42, "混合色２", AfterSliders, nullptr},
        {43, "混合色３", AfterSliders, nullptr},
        {44, "同心円", AfterSliders, nullptr},
        {45, "二重同心円", AfterSliders, nullptr},
    }};
    return table;
}

} // namespace pemma
