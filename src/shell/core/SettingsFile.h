// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <string>
#include <vector>

#include "state/DrawingState.h"

namespace pemma {

// The one-line settings file "pic-ini.dat" beside the executable: colour,
// thickness, colour mode, brush, two pass-through fields and the background
// colour, comma-separated, ended by CR LF.
struct Settings {
    double red = 0, green = 0, blue = 0;
    int brushSize = 5;
    int colourMode = 1;
    int brushIndex = 0;
    StoredValue storedValue7, storedValue8;
    Colour backgroundColour = kWhite;
};

constexpr const char* kSettingsFileName = "pic-ini.dat";

struct SettingsReadResult {
    Settings settings;         // defaults where the file gave nothing usable
    bool found = false;        // a file of exactly that name was there
    std::vector<int> ignored;  // numbers (1..9) of fields that took their default
    std::string problem;       // why a file of that name was not read (not a regular file, ...)
};

// Parses one settings line; fields that are missing or unusable take their
// defaults and are listed in ignored.
SettingsReadResult parseSettingsLine(const std::string& line);
// Reads <folder>/pic-ini.dat if a file of exactly that name (case included)
// exists; otherwise returns the defaults with found = false. A name that is
// not a regular file (a pipe, a device, a link to one) is not read: the
// defaults, with the reason in problem.
SettingsReadResult readSettings(const QString& folder);

// Formats the nine fields as one line with CR LF.
std::string formatSettingsLine(const Settings& s);
// Writes the file atomically (temporary file, then rename), through a link to
// the file it leads to; a link to something other than a regular file (such
// as /dev/null) is not written. Returns false and sets error on failure.
bool writeSettings(const QString& folder, const Settings& s, QString* error = nullptr);

// Shortest decimal that reads back as the same double, "." always, no
// exponent, no fraction when whole.
std::string formatNumber(double v);

Settings settingsFromState(const DrawingState& state);
// Puts the nine fields into the drawing state.
void applySettings(const Settings& settings, DrawingState& state);

} // namespace pemma
