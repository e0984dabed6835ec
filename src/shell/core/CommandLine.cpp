// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/core/CommandLine.h"

namespace pemma {

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine line;
    bool options = true;
    int files = 0;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            return CommandLine{CommandLine::Action::Help, {}, {}};
        } else if (options && arg == "--version") {
            return CommandLine{CommandLine::Action::Version, {}, {}};
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return CommandLine{CommandLine::Action::Refuse, {}, "unknown option " + arg};
        } else if (++files == 1) {
            line.file = arg;
        } else {
            return CommandLine{CommandLine::Action::Refuse, {}, "only one picture can be opened"};
        }
    }
    return line;
}

std::string usageText()
{
    return "Usage: pemmarover [FILE]\n"
           "A painting program. FILE, if given, is opened as the background picture\n"
           "once the window is shown, as the menu's picture opening does.\n"
           "  -h, --help     show this text and exit\n"
           "      --version  show the version and exit\n"
           "In the window, Ctrl+C copies the drawing to the clipboard, Ctrl+V pastes\n"
           "a picture (or a picture file copied in a file manager) as the background,\n"
           "and Ctrl+S saves the drawing as a PNG file.\n";
}

std::string versionText() { return "Pemmarover " PEMMA_VERSION "\n"; }

} // namespace pemma
