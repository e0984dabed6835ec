// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way tests, benchmarks and the stroke fuzzer paint: a paint session
// driven exactly as the window drives it, on a test screen with a scripted
// random stream and clock.
#include <initializer_list>
#include <utility>

#include "session/PaintSession.h"
#include "state/Colour.h"
#include "support/Scripted.h"

namespace pemma::test {

// A 1024 x 768 screen at 15 twips per pixel (the canvas may be of another
// size), white canvas, black colour, thickness 10, colour mode 1, brush 0.
// The members name the session's parts as the brush code sees them. The
// random stream is the scripted one unless another is given.
struct Rig {
    explicit Rig(int w = 1024, int h = 768, History::Limits limits = {}, RandomSource* stream = nullptr)
        : session(PaintSession::Setup{ScreenMetrics{1024, 768, 15, 15}, QSize(w, h), stream ? stream : &random,
                                      &clock, limits}),
          state(session.state()), canvas(session.canvas()), sliders(session.sliders())
    {
        state.screenWidthTwips = 1024 * 15;
        state.screenHeightTwips = 768 * 15;
        state.twipsPerPixelX = state.twipsPerPixelY = 15;
        state.brushSize = 10;
        state.penWidth = 10;
        state.colourMode = 1;
        state.brushIndex = 0;
        state.backgroundColour = kWhite;
        state.colourDirection = {1, 1, 1};
        state.rainbowColours = rainbowTable();
        session.setCheckMarkView(&marks);
    }
    StrokeContext context() { return StrokeContext{state, canvas, random, clock, sliders, &marks, {}}; }

    ScriptedRandom random;
    ScriptedClock clock;
    CountingCheckMarks marks;
    PaintSession session;
    DrawingState& state;
    Canvas& canvas;
    ColourSliders& sliders;
};

// Strokes of one brush at one thickness.
struct Drive {
    explicit Drive(int brush = 0, int thickness = 10, int width = 1024, int height = 768,
                   RandomSource* stream = nullptr)
        : rig(width, height, {}, stream)
    {
        use(brush, thickness);
    }
    void use(int brush, int thickness)
    {
        rig.state.brushIndex = brush;
        rig.state.brushSize = thickness;
    }
    // The colour the next press takes (colour mode 1 copies the sliders).
    void colour(int r, int g, int b)
    {
        rig.sliders.setPosition(1, r);
        rig.sliders.setPosition(2, g);
        rig.sliders.setPosition(3, b);
    }
    void press(double x, double y) { rig.session.press({x, y}); }
    void move(double x, double y, bool held = true) { rig.session.move({x, y}, held); }
    void release(double x, double y) { rig.session.release({x, y}); }
    // Press, then a first move at the same point, so the next move has a
    // previous point to work from.
    void startAt(double x, double y)
    {
        press(x, y);
        move(x, y);
    }
    // Press at the first point, move through all of them, release at the last.
    void stroke(std::initializer_list<std::pair<double, double>> points)
    {
        press(points.begin()->first, points.begin()->second);
        for (auto [x, y] : points)
            move(x, y);
        release((points.end() - 1)->first, (points.end() - 1)->second);
    }
    Colour at(int x, int y) const { return rig.canvas.pixel(x, y); }

    Rig rig;
};

inline Colour rgb(int r, int g, int b) { return joinColour(r, g, b); }

} // namespace pemma::test
