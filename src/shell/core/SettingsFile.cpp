// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <charconv>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <optional>

#include "files/AtomicWrite.h"
#include "files/FileRead.h"
#include "state/Rounding.h"

namespace pemma {

namespace {

// The folder has an entry of exactly this name (compared as bytes).
bool folderHolds(const QByteArray& folder, const char* name)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, name) == 0) {
            found = true;
            break;
        }
    ::closedir(dir);
    return found;
}

// A settings line is short; anything longer than this is not a settings file.
constexpr qint64 kMaxLineBytes = 4096;
// The seven numeric fields take at most 3 x 327 bytes (a component in plain
// decimal: the smallest double has 324 digits after the point) + 4 x 11 + 10
// for the commas and CR LF; the rest of a line may go to fields 7 and 8.
constexpr size_t kMaxPassThroughBytes = 3000;

struct Field {
    enum Kind { Empty, Number, Text, Bad } kind = Empty;
    double number = 0;
    std::string text;
};

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where the quoted text opened by the quote at `open` ends: the index of its
// closing quote, one that is not doubled and is followed (after blanks) by a
// comma or the end of the line. npos when there is none: the quote is then a
// stray one and quotes nothing.
size_t closingQuote(const std::string& line, size_t open)
{
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"')
            continue;
        if (i + 1 < line.size() && line[i + 1] == '"') {
            ++i; // a doubled quote stands for one quote in the text
            continue;
        }
        size_t j = i + 1;
        while (j < line.size() && isBlank(line[j]))
            ++j;
        if (j == line.size() || line[j] == ',')
            return i;
    }
    return std::string::npos;
}

// Splits at commas outside quoted texts. A field is quoted when it starts
// (after blanks) with a quote that is closed before a comma or the line's
// end; any other quote is an ordinary character of its own field.
std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> out;
    size_t pos = 0;
    for (;;) {
        size_t end = pos;
        while (end < line.size() && isBlank(line[end]))
            ++end;
        if (end < line.size() && line[end] == '"') {
            const size_t close = closingQuote(line, end);
            if (close != std::string::npos)
                end = close;
        }
        end = line.find(',', end);
        if (end == std::string::npos) {
            out.push_back(line.substr(pos));
            return out;
        }
        out.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
}

Field parseField(const std::string& raw)
{
    Field f;
    const std::string t = trimmed(raw);
    if (t.empty())
        return f;
    if (t.front() == '"') {
        if (t.size() < 2 || closingQuote(t, 0) != t.size() - 1) {
            f.kind = Field::Bad;
            return f;
        }
        f.kind = Field::Text;
        const std::string inner = t.substr(1, t.size() - 2);
        for (size_t i = 0; i < inner.size(); ++i) {
            f.text += inner[i];
            if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
                ++i;
        }
        return f;
    }
    double v = 0;
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (*begin == '+')
        ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) {
        f.kind = Field::Bad;
        return f;
    }
    f.kind = Field::Number;
    f.number = v;
    return f;
}

std::optional<double> numberIn(const Field& f, double lo, double hi)
{
    if (f.kind == Field::Empty)
        return 0.0 >= lo && 0.0 <= hi ? std::optional<double>(0.0) : std::nullopt;
    // The range is that of the value the program will use, the rounded one:
    // 255.4 still sets the slider to 255 and 100.5 is thickness 100.
    if (f.kind != Field::Number)
        return std::nullopt;
    const int used = roundHalfEven(f.number);
    if (used < lo || used > hi)
        return std::nullopt;
    return f.number;
}

std::optional<int> wholeIn(const Field& f, double lo, double hi)
{
    const auto v = numberIn(f, lo, hi);
    if (!v)
        return std::nullopt;
    return roundHalfEven(*v);
}

StoredValue storedFrom(const Field& f, const std::string& raw)
{
    switch (f.kind) {
    case Field::Number:
        return f.number;
    case Field::Text:
        return f.text;
    case Field::Bad:
        return VerbatimField{raw};
    default:
        return std::monostate{};
    }
}

std::string formatStored(const StoredValue& v)
{
    if (const double* d = std::get_if<double>(&v))
        return formatNumber(*d);
    if (const std::string* s = std::get_if<std::string>(&v)) {
        std::string out = "\"";
        for (char c : *s) {
            out += c;
            if (c == '"')
                out += '"';
        }
        return out + '"';
    }
    if (const VerbatimField* raw = std::get_if<VerbatimField>(&v))
        return raw->bytes;
    return {};
}

} // namespace

SettingsReadResult parseSettingsLine(const std::string& rawLine)
{
    SettingsReadResult r;
    r.found = true;
    std::string line = rawLine;
    // A byte-order mark some editors put first is no part of field 1.
    if (line.starts_with("\xEF\xBB\xBF"))
        line.erase(0, 3);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    if (line.find('\0') != std::string::npos) {
        for (int i = 1; i <= 9; ++i)
            if (i != 7 && i != 8)
                r.ignored.push_back(i);
        return r;
    }
    const std::vector<std::string> raw = splitFields(line);
    std::vector<Field> fields;
    for (const auto& s : raw)
        fields.push_back(parseField(s));
    auto field = [&](int n) -> const Field* { return n <= static_cast<int>(fields.size()) ? &fields[n - 1] : nullptr; };

    Settings& s = r.settings;
    auto take = [&](int n, auto parse, auto assign) {
        const Field* f = field(n);
        if (!f) {
            r.ignored.push_back(n);
            return;
        }
        const auto v = parse(*f);
        if (v)
            assign(*v);
        else
            r.ignored.push_back(n);
    };
    const double intMax = std::numeric_limits<int>::max() / 2.0;
    take(1, [](const Field& f) { return numberIn(f, 0, 255); }, [&](double v) { s.red = v; });
    take(2, [](const Field& f) { return numberIn(f, 0, 255); }, [&](double v) { s.green = v; });
    take(3, [](const Field& f) { return numberIn(f, 0, 255); }, [&](double v) { s.blue = v; });
    take(4, [](const Field& f) { return f.kind == Field::Empty ? std::nullopt : wholeIn(f, 1, 100); },
         [&](int v) { s.brushSize = v; });
    take(5, [&](const Field& f) { return wholeIn(f, -intMax, intMax); }, [&](int v) { s.colourMode = v; });
    take(6, [&](const Field& f) { return wholeIn(f, -intMax, intMax); }, [&](int v) { s.brushIndex = v; });
    if (const Field* f = field(7))
        s.storedValue7 = storedFrom(*f, raw[6]);
    if (const Field* f = field(8))
        s.storedValue8 = storedFrom(*f, raw[7]);
    // Fields 7 and 8 are kept only while what they write back leaves room for
    // the longest numbers the other seven fields can take, so that whatever
    // is written is within the length that is read.
    if (formatStored(s.storedValue7).size() + formatStored(s.storedValue8).size() > kMaxPassThroughBytes) {
        s.storedValue7 = s.storedValue8 = std::monostate{};
        r.ignored.insert(r.ignored.end(), {7, 8});
    }
    take(9, [](const Field& f) { return wholeIn(f, 0, 16777215); }, [&](int v) { s.backgroundColour = v; });
    return r;
}

SettingsReadResult readSettings(const QString& folder)
{
    SettingsReadResult none;
    const QByteArray dir = QFile::encodeName(folder);
    // Only a file of exactly this name counts, whatever the file system does
    // with letter case when looking names up.
    if (!folderHolds(dir, kSettingsFileName))
        return none;
    // Opened once and read through that one opening; what is not a regular
    // file (a pipe, a device, a link to one) is not read at all.
    OpenedFile file(dir + '/' + kSettingsFileName);
    switch (file.kind()) {
    case OpenedFile::Kind::Regular:
        break;
    case OpenedFile::Kind::Missing:
        return none;
    case OpenedFile::Kind::Folder:
    case OpenedFile::Kind::Other:
        none.problem = "not a regular file";
        return none;
    case OpenedFile::Kind::Failed:
        none.problem = std::strerror(file.error());
        return none;
    }
    // One byte more than the limit shows whether the line goes beyond it.
    QByteArray start;
    if (!file.readStart(kMaxLineBytes + 1, &start)) {
        none.problem = std::strerror(file.error());
        return none;
    }
    const qsizetype end = start.indexOf('\n');
    const QByteArray line = end < 0 ? start : start.left(end + 1);
    if (line.size() > kMaxLineBytes)
        return parseSettingsLine(std::string(1, '\0'));
    return parseSettingsLine(line.toStdString());
}

std::string formatNumber(double v)
{
    if (v == 0 || !std::isfinite(v))
        return "0";
    char buf[512];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (ec != std::errc())
        return "0";
    return std::string(buf, ptr);
}

std::string formatSettingsLine(const Settings& s)
{
    std::string line;
    line += formatNumber(s.red) + ',';
    line += formatNumber(s.green) + ',';
    line += formatNumber(s.blue) + ',';
    line += formatNumber(s.brushSize) + ',';
    line += formatNumber(s.colourMode) + ',';
    line += formatNumber(s.brushIndex) + ',';
    line += formatStored(s.storedValue7) + ',';
    line += formatStored(s.storedValue8) + ',';
    line += formatNumber(s.backgroundColour);
    line += "\r\n";
    return line;
}

bool writeSettings(const QString& folder, const Settings& s, QString* error)
{
    const std::string line = formatSettingsLine(s);
    if (line.size() > static_cast<size_t>(kMaxLineBytes)) { // cannot happen: fields 7 and 8 are bounded
        if (error)
            *error = QStringLiteral("the settings line would be too long to read back");
        return false;
    }
    // A folder where no new file may be made (a shared install) can still
    // hold a settings file the user may write: that one is rewritten in place.
    const QString failure = replaceFile(QDir(folder).filePath(QString::fromLatin1(kSettingsFileName)),
                                        QByteArray(line.data(), static_cast<qsizetype>(line.size())),
                                        ReplaceMode::InPlaceWhenFolderIsClosed);
    if (!failure.isEmpty() && error)
        *error = failure;
    return failure.isEmpty();
}

Settings settingsFromState(const DrawingState& st)
{
    Settings s;
    s.red = st.red;
    s.green = st.green;
    s.blue = st.blue;
    s.brushSize = st.brushSize;
    s.colourMode = st.colourMode;
    s.brushIndex = st.brushIndex;
    s.storedValue7 = st.storedValue7;
    s.storedValue8 = st.storedValue8;
    s.backgroundColour = st.backgroundColour;
    return s;
}

void applySettings(const Settings& s, DrawingState& st)
{
    st.red = s.red;
    st.green = s.green;
    st.blue = s.blue;
    st.brushSize = s.brushSize;
    st.colourMode = s.colourMode;
    st.brushIndex = s.brushIndex;
    st.storedValue7 = s.storedValue7;
    st.storedValue8 = s.storedValue8;
    st.backgroundColour = s.backgroundColour;
}

} // namespace pemma
