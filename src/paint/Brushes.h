// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "paint/BrushStep.h"

// The brush steps, one unit per brush family. Each unit defines its steps in
// its own .cpp file; the brush table registers them.
namespace pemma::brushes {

StepResult plainLine(StrokeContext&, double& x, double& y); // 0 "通常"

// Brushes 1 to 27 (1 to 3 before the pen-width step, the rest after it).
StepResult inkBrush(StrokeContext&, double& x, double& y);       // 1 "毛筆"
StepResult bleed1(StrokeContext&, double& x, double& y);         // 2 "にじみ1"
StepResult bleed2(StrokeContext&, double& x, double& y);         // 3 "にじみ2"
StepResult orbitDot(StrokeContext&, double& x, double& y);       // 4 "回転"
StepResult spray(StrokeContext&, double& x, double& y);          // 5-7 "霧状1".."霧状3"
StepResult rainbow(StrokeContext&, double& x, double& y);        // 8 "虹"
StepResult rings(StrokeContext&, double& x, double& y);          // 9-11 "輪1".."輪3"
StepResult spanBox(StrokeContext&, double& x, double& y);        // 12 "四角"
StepResult verticalBand(StrokeContext&, double& x, double& y);   // 13 "縦縞"
StepResult horizontalBand(StrokeContext&, double& x, double& y); // 14 "横縞"
StepResult verticalMark(StrokeContext&, double& x, double& y);   // 15 "縦線"
StepResult horizontalMark(StrokeContext&, double& x, double& y); // 16 "横線"
StepResult rightSlantMark(StrokeContext&, double& x, double& y); // 17 "右斜線"
StepResult leftSlantMark(StrokeContext&, double& x, double& y);  // 18 "左斜線"
StepResult verticalWave(StrokeContext&, double& x, double& y);   // 19 "縦波"
StepResult horizontalWave(StrokeContext&, double& x, double& y); // 20 "横波"
StepResult crossMark(StrokeContext&, double& x, double& y);      // 21 "十字"
StepResult slantCrossMark(StrokeContext&, double& x, double& y); // 22 "斜十字"
StepResult star1(StrokeContext&, double& x, double& y);          // 23 "星1"
StepResult star2(StrokeContext&, double& x, double& y);          // 24 "星2"
StepResult star3(StrokeContext&, double& x, double& y);          // 25 "星3"
StepResult star4(StrokeContext&, double& x, double& y);          // 26 "星4"
StepResult confetti(StrokeContext&, double& x, double& y);       // 27 "紙吹雪"
// The pen width of brush 26's short cross for a thickness.
int star4MiddleWidth(int thickness);

// Brushes 28 to 45 (after the slider step).
StepResult watercolourTall(StrokeContext&, double& x, double& y);   // 28 "水彩縦長"
StepResult watercolourWide(StrokeContext&, double& x, double& y);   // 29 "水彩横長"
StepResult fillArea(StrokeContext&, double& x, double& y);          // 30 "塗りつぶし用"
StepResult radiate(StrokeContext&, double& x, double& y);           // 31 "放射"
StepResult doubleRadiate(StrokeContext&, double& x, double& y);     // 32 "二重放射"
StepResult bandedRings(StrokeContext&, double& x, double& y);       // 33 "多重円"
StepResult lattice(StrokeContext&, double& x, double& y);           // 34 "立体格子" (may move x, y)
StepResult vortex(StrokeContext&, double& x, double& y);            // 35 "渦"
StepResult spinningLine(StrokeContext&, double& x, double& y);      // 36 "回転線"
StepResult blurFine(StrokeContext&, double& x, double& y);          // 37 "ぼかし筆1"
StepResult blurCoarse(StrokeContext&, double& x, double& y);        // 38 "ぼかし筆2"
StepResult mosaic(StrokeContext&, double& x, double& y);            // 39 "モザイク筆"
StepResult crayon(StrokeContext&, double& x, double& y);            // 40 "クレヨン"
StepResult mixedColour1(StrokeContext&, double& x, double& y);      // 41 "混合色１"
StepResult mixedColour2(StrokeContext&, double& x, double& y);      // 42 "混合色２"
StepResult mixedColour3(StrokeContext&, double& x, double& y);      // 43 "混合色３"
StepResult concentricCircles(StrokeContext&, double& x, double& y); // 44 "同心円"
StepResult doubleConcentricCircles(StrokeContext&, double& x, double& y); // 45 "二重同心円"

} // namespace pemma::brushes
