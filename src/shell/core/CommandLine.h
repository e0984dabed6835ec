// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

namespace pemma {

// The program's arguments: `pemmarover [FILE]`, `--help`, `--version`.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    std::string file;  // the picture to open once the window is shown; empty for none
    std::string error; // why the arguments were refused
};

// Reads the arguments after the program's name from left to right. "--"
// ends the options; a lone "-" and anything not starting with "-" is a file
// name. A second file, or an option other than -h, --help, --version, is
// refused.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a newline.
std::string usageText();

// What --version prints, ending in a newline.
std::string versionText();

} // namespace pemma
