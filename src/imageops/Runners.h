// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fast runners behind the table of "画像処理". Each works on the
// drawing's pixel rows and leaves exactly the picture, state and drawing
// position that reading and painting one point at a time in walk order
// leaves (see reference/ReferenceWalk.h, which the tests hold them to).
#include "imageops/ColourRules.h"
#include "imageops/Operations.h"

namespace pemma::imageops {

void runColourOperation(const ColourRule& rule, OperationContext& ctx);

void runEnlargeRepeated(OperationContext& ctx); // g5 "拡大1"
void runEnlargeAveraged(OperationContext& ctx); // g6 "拡大2"
void runShrink(OperationContext& ctx);          // g29 "縮小"
void runMirror(OperationContext& ctx);          // g30 "左右反転"
void runRotateRight(OperationContext& ctx);     // g31 "右90度回転"
void runRotateLeft(OperationContext& ctx);      // g32 "左90度回転"
void runRotateHalf(OperationContext& ctx);      // g33 "180度回転"

} // namespace pemma::imageops
