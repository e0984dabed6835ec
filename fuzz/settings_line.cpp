// SPDX-License-Identifier: GPL-3.0-or-later
// The settings line: whatever a pic-ini.dat line holds, reading it and
// writing it back gives a line that reads back to the same nine fields and
// is written again byte for byte the same; no field is lost on the way.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/core/SettingsFile.h"

using namespace pemma;

namespace {

// The most a settings file may hold on its one line, line end included.
constexpr size_t kLineLimit = 4096;

[[noreturn]] void fail(const char* what, const std::string& in, const std::string& a, const std::string& b)
{
    std::fprintf(stderr, "settings line: %s\n  read:    [%s]\n  written: [%s]\n  again:   [%s]\n", what,
                 in.c_str(), a.c_str(), b.c_str());
    std::abort();
}

bool sameFields(const Settings& a, const Settings& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.brushSize == b.brushSize
        && a.colourMode == b.colourMode && a.brushIndex == b.brushIndex && a.storedValue7 == b.storedValue7
        && a.storedValue8 == b.storedValue8 && a.backgroundColour == b.backgroundColour;
}

// Field n (1-based) of a line without quotes, split at its commas; empty
// when the line has fewer fields.
std::string plainField(const std::string& line, int n)
{
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        start = line.find(',', start);
        if (start == std::string::npos)
            return {};
        ++start;
    }
    const size_t end = line.find_first_of(",\r\n", start);
    const std::string f = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return f.find_first_not_of(" \t") == std::string::npos ? std::string() : f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // What the program reads from the file: its first line, up to the limit.
    std::string line(reinterpret_cast<const char*>(data), size);
    if (const size_t nl = line.find('\n'); nl != std::string::npos)
        line.resize(nl + 1);
    if (line.size() > kLineLimit)
        return -1;

    const SettingsReadResult first = parseSettingsLine(line);
    const std::string written = formatSettingsLine(first.settings);
    const SettingsReadResult second = parseSettingsLine(written);
    const std::string again = formatSettingsLine(second.settings);

    if (written != again)
        fail("written twice, the lines differ", line, written, again);
    if (!second.ignored.empty())
        fail("a written line has a field that reads back unusable", line, written, again);
    if (!sameFields(first.settings, second.settings))
        fail("a written line reads back to other values", line, written, again);
    if (written.size() > kLineLimit)
        fail("a written line is longer than a settings line may be", line, written, again);

    // Fields 7 and 8 are kept as read: one that held anything is never
    // written back empty. (Checked on lines without quotes, where the fields
    // are plainly the text between the commas; a line with a NUL byte is no
    // settings line at all.)
    if (line.find_first_of(std::string("\"\0", 2)) == std::string::npos) {
        for (int n : {7, 8}) {
            const StoredValue& kept = n == 7 ? first.settings.storedValue7 : first.settings.storedValue8;
            // Only fields 7 and 8 too long to keep together are dropped, and then named.
            const bool named = std::find(first.ignored.begin(), first.ignored.end(), n) != first.ignored.end();
            if (!plainField(line, n).empty() && std::holds_alternative<std::monostate>(kept) && !named)
                fail(n == 7 ? "field 7 is lost" : "field 8 is lost", line, written, again);
        }
    }
    // A leading UTF-8 byte-order mark is read as nothing.
    const std::string bom = "\xEF\xBB\xBF";
    // (One mark: a second one is part of field 1.)
    std::string bare = line;
    while (bare.rfind(bom, 0) == 0)
        bare.erase(0, bom.size());
    const SettingsReadResult plain = parseSettingsLine(bare), marked = parseSettingsLine(bom + bare);
    if (!sameFields(marked.settings, plain.settings) || marked.ignored != plain.ignored)
        fail("a byte-order mark changes what is read", line, formatSettingsLine(plain.settings),
             formatSettingsLine(marked.settings));
    return 0;
}
