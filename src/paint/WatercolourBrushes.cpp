#include "paint/Brushes.h"

#include "state/Colour.h"
#include "state/Rounding.h"

namespace pemma::brushes {

namespace {

// The watercolour bar: 2T + 1 rows half a pixel apart across the pointer.
// Each row reads the pixel it starts on (as the rows before it have left it)
// and paints a darker copy of it, tinted towards the base colour: strongly on
// the middle row, not at all on the end rows. Black and unreadable pixels are
// never painted over. A tall bar paints horizontal rows back to the previous
// x; a wide bar paints vertical rows back to the previous y.
void watercolourBar(StrokeContext& ctx, double x, double y, bool tall)
{
    DrawingState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    s.pixelColour = canvas.foreColor();
    const Components base = splitColour(s.pixelColour);
    const int T = s.brushSize;
    const double T2 = static_cast<double>(T) * T;

    auto tint = [&](double b, int k) {
        const double spread = T2 > 0 ? (256 - b) * k * k / T2 : 0;
        const double t = b + 20 + spread;
        return t > 255 ? 255.0 : t;
    };
    auto over = [](double pixelPart, double t) {
        const double o = pixelPart + t - 256;
        return o < 0 ? 0.0 : o;
    };

    for (int k = -T; k <= T; ++k) {
        const double tr = tint(base.r, k), tg = tint(base.g, k), tb = tint(base.b, k);
        // Along the bar the row sits at a half-pixel offset; across it, at the pointer.
        const double along = (tall ? y : x) + k / 2.0;
        const double across = tall ? x : y;
        if (!(across > 0 && along > 0))
            continue;
        const Colour p = tall ? canvas.pixel(roundHalfEven(across), roundHalfEven(along))
                              : canvas.pixel(roundHalfEven(along), roundHalfEven(across));
        if (p <= 0)
            continue;
        const Components c = splitColour(p);
        const Colour paint = joinColour(over(c.r, tr), over(c.g, tg), over(c.b, tb));
        canvas.setDrawWidth(1);
        if (s.prevX != 0) {
            if (tall)
                canvas.line(x, along, s.prevX, along, paint);
            else
                canvas.line(along, y, along, s.prevY, paint);
        }
    }
}

} // namespace

StepResult watercolourTall(StrokeContext& ctx, double& x, double& y)
{
    watercolourBar(ctx, x, y, true);
    return StepResult::Continue;
}

StepResult watercolourWide(StrokeContext& ctx, double& x, double& y)
{
    watercolourBar(ctx, x, y, false);
    return StepResult::Continue;
}

} // namespace pemma::brushes
