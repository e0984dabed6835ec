// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time of the painter against a bare Qt window, through the real X
// server: from the exec of the program (the clock read by the child just
// before it) to the map of its top-level window, and to the first pixels
// painted in it; then the resident memory once the program is idle.
//
// The two programs run alternately, each with a fresh, empty home and state
// folder and (the painter) no settings file beside it: every start is a first
// start, with no question about a kept painting.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "WindowBench.h"

namespace {

const char* const kUsage =
    "usage: window_startup --program PATH --bare PATH [--runs N] [--timeout-ms MS]\n"
    "  Under $DISPLAY (an X server without a window manager, such as Xvfb), starts\n"
    "  the bare Qt window and the program alternately N times each (default 15)\n"
    "  after one uncounted start of each, and prints the time to the window's map\n"
    "  and to its first paint, and the resident memory once idle.\n";

struct Run {
    double mapped = 0, painted = 0;
    wb::Memory memory;
    bool memorySettled = true;
};

struct Subject {
    std::string name;
    std::string program;
    bool settingsBeside = false; // the program keeps pic-ini.dat beside itself
    std::vector<Run> runs;
};

Run startOnce(wb::XServer& x, Subject& subject, const std::string& base, int number, double timeoutMs)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::path(subject.program).parent_path().string();
    std::error_code ignored;
    if (subject.settingsBeside)
        fs::remove(folder + "/pic-ini.dat", ignored); // written at the last close
    const wb::TempFolder home("pemma-home-");
    const std::string log = base + "/" + subject.name + "-" + std::to_string(number) + ".log";

    // The screen's centre shows the root window until the program paints.
    const int cx = x.width() / 2, cy = x.height() / 2;
    const std::uint32_t background = x.pixel(cx, cy);
    x.drainEvents();

    wb::Child child = wb::launch({subject.program}, home.path(), folder, log);
    const wb::XServer::Mapped map = x.waitForMap(child, timeoutMs);
    Run run;
    run.mapped = wb::msBetween(child.execTime, map.when);
    if (cx < map.x || cy < map.y || cx >= map.x + map.width || cy >= map.y + map.height)
        wb::fail(subject.name + ": the window does not cover the screen's centre");
    for (;;) {
        if (x.pixel(cx, cy) != background) {
            run.painted = wb::msBetween(child.execTime, wb::Clock::now());
            break;
        }
        if (!wb::childRunning(child))
            wb::fail(subject.name + " ended before it painted; its output:\n" + wb::logTail(log));
        if (wb::msBetween(map.when, wb::Clock::now()) > timeoutMs) {
            wb::closeChild(child, 2000);
            wb::fail(subject.name + " mapped its window but painted nothing in it");
        }
        wb::sleepMs(0.5);
    }
    run.memory = wb::settledMemory(child, 10000, &run.memorySettled);
    if (!wb::closeChild(child, 10000))
        wb::fail(subject.name + " did not close cleanly on SIGTERM; its output:\n" + wb::logTail(log));
    fs::remove(log, ignored);
    return run;
}

double mb(long kb) { return static_cast<double>(kb) / 1024.0; }

} // namespace

int main(int argc, char** argv)
{
    const wb::Options options(argc, argv, {"--program", "--bare", "--runs", "--timeout-ms"}, kUsage);
    const std::string program = options.text("--program", "");
    const std::string bare = options.text("--bare", "");
    if (program.empty() || bare.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int runs = options.number("--runs", 15);
    const double timeoutMs = options.number("--timeout-ms", 30000);

    wb::XServer x;
    const wb::TempFolder base("pemma-startup-");
    std::filesystem::create_directory(base.path() + "/ours");
    std::filesystem::create_directory(base.path() + "/bare");
    Subject subjects[2] = {
        {"bare Qt window", wb::copyProgram(bare, base.path() + "/bare"), false, {}},
        {"pemmarover", wb::copyProgram(program, base.path() + "/ours"), true, {}},
    };

    std::printf("start-up at %dx%d: %d runs each, alternating, after one uncounted start of each\n", x.width(),
                x.height(), runs);
    std::fflush(stdout);
    for (Subject& s : subjects)
        startOnce(x, s, base.path(), 0, timeoutMs);
    for (int i = 1; i <= runs; ++i) {
        for (Subject& s : subjects) {
            s.runs.push_back(startOnce(x, s, base.path(), i, timeoutMs));
            std::fprintf(stderr, "  %-15s run %2d: mapped %7.1f ms, painted %7.1f ms, RSS %6.1f MB\n",
                         s.name.c_str(), i, s.runs.back().mapped, s.runs.back().painted, mb(s.runs.back().memory.rss));
        }
    }

    std::printf("%-15s %27s  %27s  %s\n", "", "exec to map (ms)", "exec to first paint (ms)",
                "idle memory (MB, median)");
    std::printf("%-15s %9s %8s %8s  %9s %8s %8s  %6s %6s %6s %6s\n", "", "median", "min", "max", "median", "min",
                "max", "RSS", "anon", "file", "shmem");
    double medianMapped[2] = {0, 0}, medianPainted[2] = {0, 0}, medianRss[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const Subject& s = subjects[k];
        std::vector<double> mapped, painted, rss, anon, file, shmem;
        bool settled = true;
        for (const Run& r : s.runs) {
            mapped.push_back(r.mapped);
            painted.push_back(r.painted);
            rss.push_back(mb(r.memory.rss));
            anon.push_back(mb(r.memory.anon));
            file.push_back(mb(r.memory.file));
            shmem.push_back(mb(r.memory.shmem));
            settled = settled && r.memorySettled;
        }
        medianMapped[k] = wb::median(mapped);
        medianPainted[k] = wb::median(painted);
        medianRss[k] = wb::median(rss);
        std::printf("%-15s %9.1f %8.1f %8.1f  %9.1f %8.1f %8.1f  %6.1f %6.1f %6.1f %6.1f%s\n", s.name.c_str(),
                    medianMapped[k], wb::minOf(mapped), wb::maxOf(mapped), medianPainted[k], wb::minOf(painted),
                    wb::maxOf(painted), medianRss[k], wb::median(anon), wb::median(file), wb::median(shmem),
                    settled ? "" : " (still changing after 10 s)");
    }
    std::printf("ratio pemmarover/bare (medians): map %.2f, first paint %.2f\n", medianMapped[1] / medianMapped[0],
                medianPainted[1] / medianPainted[0]);
    const bool large = static_cast<long>(x.width()) * x.height() > 1920L * 1080L;
    const double targetMb = large ? 100 : 50;
    std::printf("pemmarover idle RSS %.1f MB: %s the target of %.0f MB for this size\n", medianRss[1],
                medianRss[1] <= targetMb ? "within" : "OVER", targetMb);
    return 0;
}
