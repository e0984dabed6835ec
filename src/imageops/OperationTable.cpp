#include "imageops/Operations.h"

namespace pemma {

const std::array<OperationEntry, kOperationCount>& operationTable()
{
    static const std::array<OperationEntry, kOperationCount> table{{
        {1, "白黒化1", nullptr},  {2, "白黒化2", nullptr},   {3, "白黒化3", nullptr},
        {4, "白黒化4", nullptr},  {5, "拡大1", nullptr},     {6, "拡大2", nullptr},
        {7, "水墨1", nullptr},    {8, "水墨2", nullptr},     {9, "赤化1", nullptr},
        {10, "赤化2", nullptr},   {11, "緑化1", nullptr},    {12, "緑化2", nullptr},
        {13, "青化1", nullptr},   {14, "青化2", nullptr},    {15, "黄化1", nullptr},
        {16, "黄化2", nullptr},   {17, "ｾﾋﾟｱ化1", nullptr}, {18, "ｾﾋﾟｱ化2", nullptr},
        {19, "非鮮明", nullptr},  {20, "鮮明", nullptr},     {21, "ぼかし1", nullptr},
        {22, "ぼかし2", nullptr}, {23, "ぼかし3", nullptr},  {24, "色反転", nullptr},
        {25, "明1", nullptr},     {26, "明2", nullptr},      {27, "暗1", nullptr},
        {28, "暗2", nullptr},     {29, "縮小", nullptr},     {30, "左右反転", nullptr},
        {31, "右90度回転", nullptr}, {32, "左90度回転", nullptr}, {33, "180度回転", nullptr},
    }};
    return table;
}

void runOperation(int item, OperationContext& ctx)
{
    if (item < 1 || item > kOperationCount)
        return;
    const OperationEntry& op = operationTable()[item - 1];
    if (!op.run)
        return;
    if (ctx.busy)
        ctx.busy->setBusy(true);
    op.run(ctx);
    if (ctx.busy)
        ctx.busy->setBusy(false);
}

} // namespace pemma
