// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowBench.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace wb {

namespace {

// The programs started and not yet reaped, for the exit paths. A plain
// array: the signal handler reads it.
constexpr int kMaxChildren = 8;
volatile sig_atomic_t g_children[kMaxChildren] = {0, 0, 0, 0, 0, 0, 0, 0};

void remember(pid_t pid)
{
    for (auto& slot : g_children) {
        if (slot == 0) {
            slot = pid;
            return;
        }
    }
}

void forget(pid_t pid)
{
    for (auto& slot : g_children)
        if (slot == pid)
            slot = 0;
}

// The temporary folders alive, removed on the way out by fail(). A signal
// ends the program without them: run.sh gives it a TMPDIR of its own.
std::vector<std::string>& liveFolders()
{
    static std::vector<std::string> folders;
    return folders;
}

void killAll()
{
    for (auto& slot : g_children) {
        if (slot > 0) {
            ::kill(-static_cast<pid_t>(slot), SIGKILL);
            ::kill(static_cast<pid_t>(slot), SIGKILL);
        }
    }
}

void onSignal(int sig)
{
    killAll();
    // Reaps what it can; the kernel reparents the rest.
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    ::_exit(128 + sig);
}

int onXError(Display* dpy, XErrorEvent* e)
{
    char text[256];
    XGetErrorText(dpy, e->error_code, text, sizeof text);
    fail(std::string("X error: ") + text + " (request " + std::to_string(e->request_code) + "." +
         std::to_string(e->minor_code) + ")");
}

int onXIoError(Display*) { fail("the connection to the X server was lost"); }

struct SignalSetUp {
    SignalSetUp()
    {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
        std::atexit(killAll);
    }
};
const SignalSetUp g_signals;

} // namespace

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void fail(const std::string& message)
{
    std::fprintf(stderr, "window bench: %s\n", message.c_str());
    killAll();
    // Gone before their folders go.
    for (auto& slot : g_children) {
        if (slot > 0)
            ::waitpid(static_cast<pid_t>(slot), nullptr, 0);
        slot = 0;
    }
    for (const std::string& folder : liveFolders()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::exit(1);
}

void sleepMs(double ms) { std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms)); }

TempFolder::TempFolder(const std::string& prefix)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        fail("cannot make a temporary folder " + pattern + ": " + std::strerror(errno));
    path_ = buffer.data();
    liveFolders().push_back(path_);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::erase(liveFolders(), path_);
}

Child launch(const std::vector<std::string>& argv, const std::string& home, const std::string& workFolder,
             const std::string& log)
{
    namespace fs = std::filesystem;
    const std::string runtime = home + "/runtime";
    for (const std::string& dir : {home + "/.config", home + "/.cache", home + "/.local/state",
                                   home + "/.local/share", runtime}) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            fail("cannot make " + dir + ": " + ec.message());
    }
    ::chmod(runtime.c_str(), 0700);

    // The environment is this one's, but for where the program keeps things
    // and the platform it draws on.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "HOME" || name.rfind("XDG_", 0) == 0 || name == "QT_QPA_PLATFORM" || name == "WAYLAND_DISPLAY")
            continue;
        env.push_back(entry);
    }
    env.push_back("HOME=" + home);
    env.push_back("XDG_CONFIG_HOME=" + home + "/.config");
    env.push_back("XDG_CACHE_HOME=" + home + "/.cache");
    env.push_back("XDG_STATE_HOME=" + home + "/.local/state");
    env.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    env.push_back("XDG_RUNTIME_DIR=" + runtime);
    env.push_back("QT_QPA_PLATFORM=xcb");

    // Everything the child needs is made before the fork.
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0)
        fail("cannot write " + log + ": " + std::strerror(errno));
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        fail(std::string("pipe: ") + std::strerror(errno));

    const pid_t pid = ::fork();
    if (pid < 0)
        fail(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        if (::chdir(workFolder.c_str()) != 0) {
            const int err = errno;
            timespec none {};
            (void)!::write(report[1], &none, sizeof none);
            (void)!::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        (void)!::write(report[1], &now, sizeof now);
        ::execve(args[0], args.data(), envp.data());
        const int err = errno;
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    remember(pid);
    ::close(out);
    ::close(report[1]);

    // The start time, then nothing (the exec closed the pipe) or why the
    // program could not start.
    timespec started {};
    int err = 0;
    const bool gotTime = ::read(report[0], &started, sizeof started) == static_cast<ssize_t>(sizeof started);
    const bool failed = ::read(report[0], &err, sizeof err) == static_cast<ssize_t>(sizeof err);
    ::close(report[0]);
    if (!gotTime || failed) {
        ::waitpid(pid, nullptr, 0);
        forget(pid);
        fail("cannot start " + argv[0] + ": " + std::strerror(failed ? err : EIO));
    }
    Child child;
    child.pid = pid;
    child.execTime = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds(started.tv_sec) + std::chrono::nanoseconds(started.tv_nsec)));
    child.log = log;
    child.name = std::filesystem::path(argv[0]).filename().string();
    return child;
}

bool childRunning(Child& child)
{
    if (child.pid <= 0)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(child.pid, &status, WNOHANG);
    if (r == 0)
        return true;
    forget(child.pid);
    child.pid = -1;
    return false;
}

bool closeChild(Child& child, double timeoutMs)
{
    if (child.pid <= 0)
        return true;
    ::kill(child.pid, SIGTERM);
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(timeoutMs));
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(child.pid, &status, WNOHANG);
        if (r == child.pid)
            break;
        if (r < 0) {
            forget(child.pid);
            child.pid = -1;
            return false;
        }
        if (Clock::now() > end) {
            std::fprintf(stderr, "window bench: %d did not end within %.0f ms of SIGTERM: killed\n", child.pid,
                         timeoutMs);
            ::kill(-child.pid, SIGKILL);
            ::kill(child.pid, SIGKILL);
            ::waitpid(child.pid, &status, 0);
            forget(child.pid);
            child.pid = -1;
            return false;
        }
        sleepMs(2);
    }
    forget(child.pid);
    const pid_t pid = child.pid;
    child.pid = -1;
    // Whatever else it started goes with it.
    ::kill(-pid, SIGKILL);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    // A program that does not catch SIGTERM ends by it: that is its close.
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
        return true;
    std::fprintf(stderr, "window bench: %d ended with %s %d\n", pid, WIFEXITED(status) ? "status" : "signal",
                 WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return false;
}

std::string logTail(const std::string& log)
{
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::string tail;
    for (std::size_t i = lines.size() > 15 ? lines.size() - 15 : 0; i < lines.size(); ++i)
        tail += "  | " + lines[i] + "\n";
    return tail.empty() ? "  (no output)\n" : tail;
}

XServer::XServer()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        fail("DISPLAY is not set: run under an X server (bench/window/run.sh starts Xvfb)");
    dpy_ = XOpenDisplay(name);
    if (!dpy_)
        fail(std::string("cannot open the display ") + name);
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onXIoError);
    root_ = DefaultRootWindow(dpy_);
    width_ = DisplayWidth(dpy_, DefaultScreen(dpy_));
    height_ = DisplayHeight(dpy_, DefaultScreen(dpy_));
    netWmPid_ = XInternAtom(dpy_, "_NET_WM_PID", False);
    XSelectInput(dpy_, root_, SubstructureNotifyMask);
    XSync(dpy_, False);
}

XServer::~XServer()
{
    if (dpy_)
        XCloseDisplay(dpy_);
}

void XServer::drainEvents()
{
    XSync(dpy_, False);
    XEvent ev;
    while (XPending(dpy_))
        XNextEvent(dpy_, &ev);
}

std::optional<pid_t> XServer::windowPid(Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<pid_t> pid;
    if (XGetWindowProperty(dpy_, w, netWmPid_, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        type == XA_CARDINAL && format == 32 && count == 1 && data)
        pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

XServer::Mapped XServer::waitForMap(Child& child, double timeoutMs)
{
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(timeoutMs));
    for (;;) {
        while (XPending(dpy_)) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
            if (ev.type != MapNotify || ev.xmap.event != root_ || ev.xmap.override_redirect)
                continue;
            const Clock::time_point when = Clock::now();
            const std::optional<pid_t> owner = windowPid(ev.xmap.window);
            if (owner && *owner != child.pid)
                continue;
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(dpy_, ev.xmap.window, &attributes))
                continue;
            return {ev.xmap.window, when, attributes.x, attributes.y, attributes.width, attributes.height};
        }
        if (!childRunning(child))
            fail(child.name + " ended before its window was shown; its output:\n" + logTail(child.log));
        const double left = msBetween(Clock::now(), end);
        if (left <= 0) {
            closeChild(child, 2000);
            fail(child.name + " showed no window within " + std::to_string(static_cast<int>(timeoutMs)) +
                 " ms; its output:\n" + logTail(child.log));
        }
        pollfd pfd{ConnectionNumber(dpy_), POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(std::min(left, 50.0)) + 1);
    }
}

std::uint32_t XServer::pixel(int x, int y)
{
    XImage* image = XGetImage(dpy_, root_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        fail("cannot read the screen");
    const std::uint32_t value = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xffffffu;
    XDestroyImage(image);
    return value;
}

XServer::Area XServer::clip(int x, int y, int width, int height) const
{
    const int x0 = std::clamp(x, 0, width_), y0 = std::clamp(y, 0, height_);
    const int x1 = std::clamp(x + width, 0, width_), y1 = std::clamp(y + height, 0, height_);
    return {x0, y0, x1 - x0, y1 - y0};
}

void XServer::grab(const Area& area, std::vector<char>& out)
{
    XImage* image = XGetImage(dpy_, root_, area.x, area.y, static_cast<unsigned>(area.width),
                              static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (!image)
        fail("cannot read the screen");
    const std::size_t size = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height);
    out.assign(image->data, image->data + size);
    XDestroyImage(image);
}

std::optional<Memory> readMemory(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    if (!in)
        return std::nullopt;
    Memory m;
    bool seen = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name;
        long kb = 0;
        fields >> name >> kb;
        if (name == "VmRSS:") {
            m.rss = kb;
            seen = true;
        } else if (name == "RssAnon:") {
            m.anon = kb;
        } else if (name == "RssFile:") {
            m.file = kb;
        } else if (name == "RssShmem:") {
            m.shmem = kb;
        }
    }
    return seen ? std::optional(m) : std::nullopt;
}

Memory settledMemory(Child& child, double timeoutMs, bool* settled)
{
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(timeoutMs));
    std::optional<Memory> last = readMemory(child.pid);
    if (!last)
        fail("cannot read the memory of " + child.name);
    for (;;) {
        sleepMs(300);
        const std::optional<Memory> now = readMemory(child.pid);
        if (!now || !childRunning(child))
            fail(child.name + " ended while idle; its output:\n" + logTail(child.log));
        const bool same = now->rss == last->rss;
        last = now;
        if (same || Clock::now() > end) {
            if (settled)
                *settled = same;
            return *last;
        }
    }
}

double median(std::vector<double> v) { return percentile(std::move(v), 50); }

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    if (p == 50 && v.size() % 2 == 0)
        return (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    const double rank = std::ceil(p / 100 * static_cast<double>(v.size()));
    const std::size_t index = static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(v.size()))) - 1;
    return v[index];
}

double minOf(const std::vector<double>& v) { return v.empty() ? std::nan("") : *std::min_element(v.begin(), v.end()); }
double maxOf(const std::vector<double>& v) { return v.empty() ? std::nan("") : *std::max_element(v.begin(), v.end()); }

Options::Options(int argc, char** argv, const std::vector<std::string>& known, const char* usage) : usage_(usage)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        if (std::find(known.begin(), known.end(), name) == known.end() || i + 1 >= argc) {
            std::fprintf(stderr, "window bench: unknown option or missing value: %s\n%s", name.c_str(), usage);
            std::exit(2);
        }
        values_.emplace_back(name, argv[++i]);
    }
}

std::string Options::text(const std::string& name, const std::string& fallback) const
{
    for (const auto& [n, v] : values_)
        if (n == name)
            return v;
    return fallback;
}

int Options::number(const std::string& name, int fallback) const
{
    const std::string value = text(name, "");
    if (value.empty())
        return fallback;
    char* rest = nullptr;
    errno = 0;
    const long n = std::strtol(value.c_str(), &rest, 10);
    if (errno || *rest || n < 1 || n > INT_MAX) {
        std::fprintf(stderr, "window bench: %s wants a positive whole number, not %s\n%s", name.c_str(),
                     value.c_str(), usage_);
        std::exit(2);
    }
    return static_cast<int>(n);
}

std::string copyProgram(const std::string& program, const std::string& folder)
{
    namespace fs = std::filesystem;
    if (::access(program.c_str(), X_OK) != 0)
        fail("no program to run at " + program + " (build it first)");
    const std::string copy = folder + "/" + fs::path(program).filename().string();
    std::error_code ec;
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing, ec);
    if (ec)
        fail("cannot copy " + program + " to " + folder + ": " + ec.message());
    return copy;
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        fail("cannot write " + path);
}

} // namespace wb
