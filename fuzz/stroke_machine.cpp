// SPDX-License-Identifier: GPL-3.0-or-later
// The stroke machine: a stream of presses, moves (repeated points and points
// far outside the canvas among them), releases, a pen's and an eraser's
// strokes with any pressure, brush, thickness, colour mode
// and slider changes, picture operations, background commands, opened
// pictures, undo and redo on a small canvas, through the paint session as the
// window drives it. Nothing may crash or upset a sanitizer, and after every
// mouse event, undo and redo each pixel that changed lies inside the area the
// session reports for repainting.
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>

#include "files/PictureFiles.h"
#include "imageops/Operations.h"
#include "paint/BrushTable.h"
#include "paint/ChoiceTables.h"
#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

// Time moves only as the input says; midnight comes round.
void advance(test::ScriptedClock& clock, double seconds)
{
    clock.mono += seconds;
    clock.dayTime = std::fmod(clock.dayTime + seconds, 86400.0);
}

// Positions as mouse events deliver them: on and near the canvas with any
// fraction, and far beyond it as far as any screen reaches.
double position(FuzzedDataProvider& in, int extent)
{
    static constexpr double kFar[] = {0.0,      -0.5,     0.5,      -1.0,      1.5,       2.5,
                                      -32768.0, 32767.0,  65535.5,  -65536.0,  1.0e6,     -1.0e6,
                                      8388607.5, -8388608.0, 1.0e7, -1.0e7};
    static constexpr double kFractions[] = {0.0, 0.25, 0.5, 0.75, 0.4999999, 0.5000001};
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.PickValueInArray(kFar);
    case 1:
        return in.ConsumeFloatingPointInRange<double>(-1.0e7, 1.0e7);
    case 2:
        return in.ConsumeFloatingPointInRange<double>(-4.0 * extent, 5.0 * extent);
    default:
        return in.ConsumeIntegralInRange<int>(-3, extent + 3) + in.PickValueInArray(kFractions);
    }
}

[[noreturn]] void fail(const char* what, const QRect& changed, const QRect& dirty, const DrawingState& s)
{
    std::fprintf(stderr,
                 "stroke machine: %s: changed pixels %dx%d at %d,%d, repaint area %dx%d at %d,%d "
                 "(brush %d, thickness %d, colour mode %d, pen width %g)\n",
                 what, changed.width(), changed.height(), changed.x(), changed.y(), dirty.width(), dirty.height(),
                 dirty.x(), dirty.y(), s.brushIndex, s.brushSize, s.colourMode, s.penWidth);
    std::abort();
}

// Every pixel that differs between before and the canvas now lies inside
// the canvas's repaint area, which is then taken as the window takes it.
void checkRepaintArea(const QImage& before, PaintSession& session, const char* event)
{
    const DrawingState& state = session.state();
    const QImage& after = session.canvas().image();
    const QRect dirty = session.takeRepaintArea();
    if (after.size() != before.size() || after.format() != before.format())
        fail("the drawing changed its size or format", after.rect(), dirty, state);
    QRect changed;
    for (int y = 0; y < after.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(after.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        for (int x = 0; x < after.width(); ++x)
            if (a[x] != b[x] && !dirty.contains(x, y))
                changed |= QRect(x, y, 1, 1);
    }
    if (!changed.isEmpty())
        fail(event, changed, dirty, state);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static constexpr QSize kCanvasSizes[] = {{48, 36}, {1, 1}, {3, 70}, {97, 13}};
    const QSize canvasSize = in.PickValueInArray(kCanvasSizes);
    const int w = canvasSize.width(), h = canvasSize.height();

    // The window's start: a screen the canvas's size at 15 twips a pixel,
    // settings as a fresh install has them.
    ProgramRandom random(in.ConsumeIntegral<uint64_t>());
    test::Rig rig(w, h, {}, &random);
    PaintSession& session = rig.session;
    DrawingState& state = rig.state;
    Canvas& canvas = rig.canvas;
    rig.clock.dayTime = 43200;
    rig.clock.mono = 1000;
    state.screenWidthTwips = w * 15.0;
    state.screenHeightTwips = h * 15.0;
    state.brushSize = 5;
    state.penWidth = 4;
    session.setCheckMarkView(nullptr);
    session.takeRepaintArea();

    double lastX = w / 2.0, lastY = h / 2.0;
    bool held = false;
    QImage before;
    for (int events = 0; events < 400 && in.remaining_bytes() > 0; ++events) {
        switch (in.ConsumeIntegralInRange<int>(0, 15)) {
        case 0: // press
            lastX = position(in, w);
            lastY = position(in, h);
            before = canvas.image().copy();
            session.press({lastX, lastY});
            held = true;
            checkRepaintArea(before, session, "a press painted outside its repaint area");
            break;
        case 1:
        case 2:
        case 3:
        case 4: // move to a new point
            lastX = position(in, w);
            lastY = position(in, h);
            [[fallthrough]];
        case 5: // move to the same point again
            if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
                held = !held;
            before = canvas.image().copy();
            session.move({lastX, lastY}, held);
            checkRepaintArea(before, session, "a move painted outside its repaint area");
            break;
        case 6: // release
            before = canvas.image().copy();
            session.release({position(in, w), position(in, h)});
            held = false;
            checkRepaintArea(before, session, "a release painted outside its repaint area");
            break;
        case 7: // brush: from the menu, or any number a settings file gave
            state.brushIndex = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegral<int16_t>()
                                                                         : in.ConsumeIntegralInRange<int>(0, 45);
            break;
        case 8: // thickness: from the menu, or any a settings file gave
            state.brushSize = in.ConsumeBool() ? in.PickValueInArray(kThicknessItems)
                                               : in.ConsumeIntegralInRange<int>(1, 100);
            break;
        case 9: // colour mode
            state.colourMode = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegral<int16_t>()
                                                                         : in.ConsumeIntegralInRange<int>(1, 11);
            break;
        case 10: // a slider
            rig.sliders.setPosition(in.ConsumeIntegralInRange<int>(1, 3), in.ConsumeIntegralInRange<int>(-5, 260));
            break;
        case 11: // a picture operation
            session.operation(in.ConsumeIntegralInRange<int>(1, kOperationCount));
            session.takeRepaintArea(); // the window repaints everything after one
            break;
        case 12: // a background command, or undo or redo while no button is held
            switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: session.backgroundFromSwatch(); break;
            case 1: session.backgroundBlack(); break;
            case 2: session.backgroundWhite(); break;
            case 3: session.clearForeground(); break;
            default:
                before = canvas.image().copy();
                if (in.ConsumeBool())
                    session.undo();
                else
                    session.redo();
                checkRepaintArea(before, session, "undo or redo changed pixels outside its repaint area");
                break;
            }
            session.takeRepaintArea();
            break;
        case 13: { // an opened picture, smaller or larger than the canvas
            const int pw = in.ConsumeIntegralInRange<int>(1, 2 * w + 3);
            const int ph = in.ConsumeIntegralInRange<int>(1, 2 * h + 3);
            QImage picture(pw, ph, in.ConsumeBool() ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
            picture.fill(QColor::fromRgba(in.ConsumeIntegral<uint32_t>()).toRgb());
            // As the open command leaves it: the picture's size, at most the screen's.
            session.runStep([&] {
                canvas.setPicture(picture);
                state.pictureWidth =
                    std::min<double>(pixelsToHimetric(pw, state.twipsPerPixelX), state.screenWidthTwips);
                state.pictureHeight =
                    std::min<double>(pixelsToHimetric(ph, state.twipsPerPixelY), state.screenHeightTwips);
                return History::Keep::Always;
            });
            session.takeRepaintArea();
            break;
        }
        case 14: { // a pen or a finger: down, a move or up, with any pressure or none
            static constexpr double kPressures[] = {0.0, 0.25, 1.0, -1.0, 2.0, 1.0e300, NAN, INFINITY};
            std::optional<double> pressure;
            if (in.ConsumeBool())
                pressure = in.ConsumeBool() ? in.PickValueInArray(kPressures) : in.ConsumeProbability<double>();
            const int what = in.ConsumeIntegralInRange<int>(0, 3);
            lastX = position(in, w);
            lastY = position(in, h);
            before = canvas.image().copy();
            if (what == 0) {
                session.penDown({lastX, lastY}, in.ConsumeBool() ? PaintSession::Tip::Eraser : PaintSession::Tip::Pen,
                                pressure);
                held = true;
            } else if (what == 3) {
                session.penUp({lastX, lastY});
                held = false;
            } else {
                session.penMove({lastX, lastY}, held, pressure);
            }
            checkRepaintArea(before, session, "a pen painted outside its repaint area");
            break;
        }
        default: // time passes (brush 1 fades by it)
            advance(rig.clock, in.ConsumeFloatingPointInRange<double>(0, 4));
            break;
        }
    }
    return 0;
}
