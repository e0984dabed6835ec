#pragma once
#include "paint/BrushTable.h"

// The brush steps, one unit per brush family. Each unit defines its steps in
// its own .cpp file; BrushTable.cpp registers them.
namespace pemma::brushes {

StepResult plainLine(StrokeContext&, double& x, double& y); // 0 "通常"

} // namespace pemma::brushes
