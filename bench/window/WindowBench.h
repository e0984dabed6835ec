// SPDX-License-Identifier: GPL-3.0-or-later
// What the window measurements share: a connection to the X server that sees
// every top-level window being mapped, programs started with a fresh home of
// their own and ended again, the clock, and a few statistics.
//
// Every wait has a deadline; a program that fails to start, hangs or dies
// ends the measurement with a message, and no started program outlives the
// measuring one.
#pragma once

#include <X11/Xlib.h>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace wb {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b);

// Ends the measurement: prints the message, ends any started program.
[[noreturn]] void fail(const std::string& message);

void sleepMs(double ms);

// A temporary folder removed (with everything in it) when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A running program. Started in its own process group with HOME, the XDG
// folders and the runtime folder inside home, its output going to log.
struct Child {
    pid_t pid = -1;
    Clock::time_point execTime; // taken by the child just before exec
    std::string log;
    std::string name; // the program's file name, for messages
};

Child launch(const std::vector<std::string>& argv, const std::string& home, const std::string& workFolder,
             const std::string& log);

// Asks the program to close (SIGTERM) and waits for it to end; kills it
// after timeoutMs. Returns false (and says why) when it had to be killed or
// ended with a failure.
bool closeChild(Child& child, double timeoutMs);

// Whether the program is still running (reaps it when it has ended).
bool childRunning(Child& child);

// The last lines of the program's output, for error messages.
std::string logTail(const std::string& log);

// The X server of $DISPLAY, watching the root window for mapped children.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    Display* display() const { return dpy_; }
    Window root() const { return root_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Forgets events that came before (earlier programs' windows).
    void drainEvents();

    struct Mapped {
        Window window = 0;
        Clock::time_point when;
        int x = 0, y = 0, width = 0, height = 0;
    };
    // Waits for a top-level window (not override-redirect: no menus or tool
    // tips) of the child to be mapped. There is no window manager, so the
    // window is a direct child of the root window. A window that names its
    // process (_NET_WM_PID) must name the child's.
    Mapped waitForMap(Child& child, double timeoutMs);

    // The pixel at (x, y) of the screen as 0xRRGGBB.
    std::uint32_t pixel(int x, int y);

    // The screen's pixels in a rectangle (clipped to the screen), as bytes
    // to compare.
    struct Area {
        int x = 0, y = 0, width = 0, height = 0;
    };
    Area clip(int x, int y, int width, int height) const;
    void grab(const Area& area, std::vector<char>& out);

private:
    std::optional<pid_t> windowPid(Window w);

    Display* dpy_ = nullptr;
    Window root_ = 0;
    int width_ = 0, height_ = 0;
    Atom netWmPid_ = 0;
};

// Resident memory of a process, from /proc/<pid>/status, in kB.
struct Memory {
    long rss = 0, anon = 0, file = 0, shmem = 0;
};
std::optional<Memory> readMemory(pid_t pid);
// Reads the memory every 300 ms until two reads agree (at most timeoutMs):
// the process is idle. settled says whether they did agree.
Memory settledMemory(Child& child, double timeoutMs, bool* settled);

// Statistics over a sample (sorted copy taken).
double median(std::vector<double> v);
double percentile(std::vector<double> v, double p); // nearest rank, p in 0..100
double minOf(const std::vector<double>& v);
double maxOf(const std::vector<double>& v);

// Reads "--name value" options; unknown options end the program with usage.
struct Options {
    Options(int argc, char** argv, const std::vector<std::string>& known, const char* usage);
    std::string text(const std::string& name, const std::string& fallback) const;
    int number(const std::string& name, int fallback) const;

private:
    std::vector<std::pair<std::string, std::string>> values_;
    const char* usage_;
};

// Copies the program into folder (so that its settings file, looked for
// beside the executable, lands there) and returns the copy's path.
std::string copyProgram(const std::string& program, const std::string& folder);

// Writes a file whole; fails the measurement if it cannot.
void writeFile(const std::string& path, const std::string& text);

} // namespace wb
