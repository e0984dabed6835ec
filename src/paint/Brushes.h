#pragma once
#include "paint/BrushTable.h"

// The brush steps, one unit per brush family. Each unit defines its steps in
// its own .cpp file; BrushTable.cpp registers them.
namespace pemma::brushes {

StepResult plainLine(StrokeContext&, double& x, double& y); // 0 "通常"

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
