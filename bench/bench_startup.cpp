// Start-up: whole processes of `orvida --version`, `orvida --help` and `orvida company show` timed
// against the QtCore-only floor (startup_floor), against the same line printed by a program that
// loads every library orvida-desktop links (startup_linked: what loading them alone costs) and by
// orvida-desktop itself (what the commands cost before orvida left the GUI libraries out), interleaved
// round by round so that the machine's load falls on all of them alike. Prints the median and mean
// wall time of each, its median CPU time (user + system), and the ratios to the floor's medians.
//
//   build/bench/bench_startup [ROUNDS]      (200 rounds when not given)

#include "Process.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Program
{
    const char* label;
    std::vector<std::string> args;
    std::vector<double> ms;
    std::vector<double> cpu;
};

struct Times
{
    double wall = -1; // milliseconds, -1 when the run failed
    double cpu = 0;
};

double ms(const timeval& t)
{
    return t.tv_sec * 1e3 + t.tv_usec / 1e3;
}

// One run with its output sent to /dev/null.
Times timeOnce(const std::vector<std::string>& args)
{
    const ProcessRun run = runQuietly(args, true);
    if (!run.succeeded)
        return {};
    return { run.wallMs, ms(run.usage.ru_utime) + ms(run.usage.ru_stime) };
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir home;
    const std::string orvida = ORVIDA_BINARY;
    const std::string folder = home.path().toStdString();
    if (timeOnce({ orvida, "--home", folder, "init" }).wall < 0) {
        std::fprintf(stderr, "orvida init failed in %s\n", folder.c_str());
        return 1;
    }
    std::vector<Program> programs {
        { "QtCore-only floor", { STARTUP_FLOOR, "--version" }, {}, {} },
        { "desktop's libraries", { STARTUP_LINKED, "--version" }, {}, {} },
        { "orvida-desktop -v", { ORVIDA_DESKTOP, "--version" }, {}, {} },
        { "orvida --version", { orvida, "--version" }, {}, {} },
        { "orvida --help", { orvida, "--home", folder, "--help" }, {}, {} },
        { "orvida company show", { orvida, "--home", folder, "company", "show" }, {}, {} },
    };
    for (Program& p : programs)
        timeOnce(p.args); // the libraries into the page cache
    for (int round = 0; round < rounds; ++round) {
        // Every other round in reverse order, so that none always runs right after another.
        for (size_t i = 0; i < programs.size(); ++i) {
            Program& p = programs[round % 2 ? programs.size() - 1 - i : i];
            const Times t = timeOnce(p.args);
            if (t.wall < 0) {
                std::fprintf(stderr, "%s failed\n", p.label);
                return 1;
            }
            p.ms.push_back(t.wall);
            p.cpu.push_back(t.cpu);
        }
    }
    const double floor = median(programs.front().ms);
    const double floorCpu = median(programs.front().cpu);
    std::printf("%d rounds, interleaved; wall and CPU in ms (target: orvida --version at most 2x the floor)\n", rounds);
    std::printf("%-22s %12s %10s %8s %12s %8s\n", "", "median wall", "mean wall", "x floor", "median CPU", "x floor");
    for (const Program& p : programs) {
        const double mean = std::accumulate(p.ms.begin(), p.ms.end(), 0.0) / double(p.ms.size());
        std::printf("%-22s %12.2f %10.2f %8.2f %12.2f %8.2f\n", p.label, median(p.ms), mean, median(p.ms) / floor,
                    median(p.cpu), median(p.cpu) / floorCpu);
    }
    return 0;
}
