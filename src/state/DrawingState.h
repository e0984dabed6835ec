// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <string>
#include <variant>

#include "state/Types.h"

namespace pemma {

// A field of the settings file that is neither a number nor a quoted text,
// kept exactly as it stood so that it is written back unchanged.
struct VerbatimField {
    std::string bytes;
    bool operator==(const VerbatimField&) const = default;
};

// A pass-through value of the settings file: unset, a number, a quoted text,
// or anything else as it stood.
using StoredValue = std::variant<std::monostate, double, std::string, VerbatimField>;

// The whole drawing state of the window. Every field starts unset (0) and
// lives as long as the program; the window owns the one instance.
struct DrawingState {
    // Current drawing colour; component k = 1, 2, 3 is red, green, blue.
    double red = 0, green = 0, blue = 0;
    // Walk direction of the cycling colour modes, entry k at [k - 1].
    std::array<int, 3> colourDirection{0, 0, 0};
    int brushSize = 0;       // selected thickness
    double penWidth = 0;     // working pen width of the stroke
    int colourMode = 0;      // 1..11; anything else selects nothing
    int brushIndex = 0;      // 0..45

    // Stroke values.
    bool isDrawing = false;
    double prevX = 0, prevY = 0; // prevX == 0 means "no previous point"
    int buttonReleased = 0;
    double releaseTime = 0;      // time of day of the first release after a press
    double releaseMonotonic = 0; // the same moment on the monotonic clock
    int strokeStarted = 0;

    Colour backgroundColour = 0; // recorded at the end of every drawing move
    Colour pixelColour = 0;      // last colour read back from the drawing
    std::array<Colour, 7> rainbowColours{}; // entry i at [i - 1]

    // Screen metrics, read once at start-up.
    double screenWidthTwips = 0, screenHeightTwips = 0;
    double twipsPerPixelX = 0, twipsPerPixelY = 0;
    std::string appPath; // folder of the executable, no trailing separator

    // Working picture area (hundredths of a millimetre as opened, taken as twips).
    double pictureWidth = 0, pictureHeight = 0;

    // Settings fields 7 and 8: unused, written back as read.
    StoredValue storedValue7, storedValue8;

    // Brush-private values.
    double prevPenWidth = 0;
    int penWidthStep = 0;
    double rainbowStep = 0;
    double wavePhase = 0;
    double spinAngle = 0;
    std::array<double, 3> shadeLevel{}; // entry j at [j - 1]

    double& component(int k) { return k == 1 ? red : (k == 2 ? green : blue); }
    double component(int k) const { return k == 1 ? red : (k == 2 ? green : blue); }
};

// The rainbow table of brush 8, entries 1..7.
std::array<Colour, 7> rainbowTable();

} // namespace pemma
