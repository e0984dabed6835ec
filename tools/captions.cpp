// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the program's menu tables, one item a line in menu order, so that
// scripts that drive the menus (tools/gallery.sh) take their captions and
// item counts from the same place as the window:
//   brush <index> <caption>
//   operation <item> <caption>
//   colour_mode <value> <caption>
//   thickness <value>
//   jpeg_quality <value>
#include <cstdio>

#include "files/FileCommands.h"
#include "imageops/Operations.h"
#include "paint/BrushTable.h"
#include "paint/ChoiceTables.h"

int main()
{
    for (const auto& b : pemma::brushTable())
        std::printf("brush %d %s\n", b.index, b.caption);
    for (const auto& op : pemma::operationTable())
        std::printf("operation %d %s\n", op.item, op.caption);
    for (const auto& mode : pemma::kColourModeItems)
        std::printf("colour_mode %d %s\n", mode.value, mode.caption);
    for (int size : pemma::kThicknessItems)
        std::printf("thickness %d\n", size);
    for (int quality : pemma::kJpegQualities)
        std::printf("jpeg_quality %d\n", quality);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
