#pragma once
// Drives strokes of one brush through the stroke frame on a real canvas.
#include <initializer_list>
#include <utility>

#include "paint/StrokeFrame.h"
#include "state/Colour.h"
#include "support/Scripted.h"

namespace pemma::test {

struct Drive {
    explicit Drive(int brush, int thickness = 10, int width = 1024, int height = 768)
        : rig(width, height), frame(rig.context())
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
    void press(double x, double y) { frame.Form_MouseDown(x, y); }
    void move(double x, double y) { frame.Form_MouseMove(x, y, true); }
    void release(double x, double y) { frame.Form_MouseUp(x, y); }
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
    StrokeFrame frame;
};

inline Colour rgb(int r, int g, int b) { return joinColour(r, g, b); }

} // namespace pemma::test
