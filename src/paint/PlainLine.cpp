// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/Brushes.h"

namespace pemma::brushes {

// Brush 0: a segment from the new point back to the previous one.
StepResult plainLine(StrokeContext& ctx, double& x, double& y)
{
    DrawingState& s = ctx.state;
    ctx.canvas.setDrawWidth(pressedWidth(ctx, s.penWidth));
    if (s.prevX != 0)
        ctx.canvas.line(x, y, s.prevX, s.prevY);
    return StepResult::Continue;
}

} // namespace pemma::brushes
