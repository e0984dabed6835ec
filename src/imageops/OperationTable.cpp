// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageops/ColourRules.h"
#include "imageops/Operations.h"
#include "imageops/Runners.h"

namespace pemma {

namespace {

// The commands that recolour point by point all run through their rule.
template <int item>
void colourCommand(OperationContext& ctx)
{
    imageops::runColourOperation(*imageops::colourRule(item), ctx);
}

} // namespace

const std::array<OperationEntry, kOperationCount>& operationTable()
{
    using namespace imageops;
    static const std::array<OperationEntry, kOperationCount> table{{
        {1, "白黒化1", colourCommand<1>},
        {2, "白黒化2", colourCommand<2>},
        {3, "白黒化3", colourCommand<3>},
        {4, "白黒化4", colourCommand<4>},
        {5, "拡大1", runEnlargeRepeated},
        {6, "拡大2", runEnlargeAveraged},
        {7, "水墨1", colourCommand<7>},
        {8, "水墨2", colourCommand<8>},
        {9, "赤化1", colourCommand<9>},
        {10, "赤化2", colourCommand<10>},
        {11, "緑化1", colourCommand<11>},
        {12, "緑化2", colourCommand<12>},
        {13, "青化1", colourCommand<13>},
        {14, "青化2", colourCommand<14>},
        {15, "黄化1", colourCommand<15>},
        {16, "黄化2", colourCommand<16>},
        {17, "ｾﾋﾟｱ化1", colourCommand<17>},
        {18, "ｾﾋﾟｱ化2", colourCommand<18>},
        {19, "非鮮明", colourCommand<19>},
        {20, "鮮明", colourCommand<20>},
        {21, "ぼかし1", colourCommand<21>},
        {22, "ぼかし2", colourCommand<22>},
        {23, "ぼかし3", colourCommand<23>},
        {24, "色反転", colourCommand<24>},
        {25, "明1", colourCommand<25>},
        {26, "明2", colourCommand<26>},
        {27, "暗1", colourCommand<27>},
        {28, "暗2", colourCommand<28>},
        {29, "縮小", runShrink},
        {30, "左右反転", runMirror},
        {31, "右90度回転", runRotateRight},
        {32, "左90度回転", runRotateLeft},
        {33, "180度回転", runRotateHalf},
    }};
    return table;
}

void runOperation(int item, OperationContext& ctx)
{
    if (item < 1 || item > kOperationCount)
        return;
    const BusyWhile busy(ctx.busy);
    // An operation may rewrite any pixel of the drawing.
    ctx.canvas.aboutToWrite(ctx.canvas.image().rect());
    operationTable()[item - 1].run(ctx);
}

} // namespace pemma
