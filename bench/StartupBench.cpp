// Launch to the first presented frame, as a viewer starts the show (full
// screen; headless with SDL's offscreen video and dummy sound unless the
// environment says otherwise).
//
//   bench_startup [--runs N] [SHOW...]
//
// Each SHOW program (by default the hallatorvo beside this one) is started N
// times (default 11) with a probe preloaded that ends it at its first
// presented frame. The programs take turns, so that the load of a shared
// machine falls on all of them alike: two builds are set side by side in one
// run. Each gets the median wall-clock time of its runs and the median CPU
// time of the process, all threads of the GL driver counted.
//
// Then this program starts itself N times to time the same start-up from
// inside, step by step, with its first frame and a second one for what a warm
// frame costs. The synthesizer's parts of the music step are timed apart
// after that: the bank, the drums' pre-render and the song's loading; the
// rest of that step is the song's image and its first seconds.
#include "app/Show.h"
#include "app/Window.h"
#include "common/DemoState.h"
#include "midi/Sequencer.h"
#include "platform/GL.h"
#include "platform/SoundPlayer.h"
#include "synth/InstrumentBank.h"
#include "synth/Synth.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace {

constexpr const char* ProbePath = HV_FIRST_FRAME_PROBE;
constexpr const char* StepsSwitch = "--steps-from";
constexpr const char* ResultFdVariable = "HV_FIRST_FRAME_FD";

std::int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return 1e3 * static_cast<double>(now.tv_sec) + 1e-6 * static_cast<double>(now.tv_nsec);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 != 0 ? values[half] : 0.5 * (values[half - 1] + values[half]);
}

// Wall-clock and CPU milliseconds.
struct Cost {
    double wall = 0.0;
    double cpu = 0.0;
};

// What a started program wrote to its result pipe, and its CPU time.
struct Outcome {
    bool ok = false;
    std::string text;
    double cpu = 0.0;
};

double Milliseconds(const timeval& t) {
    return 1e3 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_usec);
}

// Starts `program` with `arguments` and `extra` in its environment, and the
// write end of a pipe named by the result variable; waits for its end.
Outcome RunAndRead(const std::string& program, std::vector<std::string> arguments,
                   std::vector<std::string> extra) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {};
    }
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    environment.push_back(std::string(ResultFdVariable) + "=" + std::to_string(pipeEnds[1]));
    for (std::string& e : extra) {
        environment.push_back(std::move(e));
    }
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const bool started =
        posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0;
    close(pipeEnds[1]);
    Outcome outcome;
    char buffer[256];
    ssize_t got = 0;
    while (started && (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        outcome.text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    outcome.ok = started && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
                 WEXITSTATUS(status) == 0 && !outcome.text.empty();
    outcome.cpu = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    return outcome;
}

// One launch of a show to its first presented frame; NaN when it presented
// none.
Cost TimeLaunch(const std::string& show) {
    const std::int64_t start = MonotonicNanoseconds();
    const Outcome outcome = RunAndRead(show, {}, {std::string("LD_PRELOAD=") + ProbePath});
    if (!outcome.ok) {
        return {std::nan(""), 0.0};
    }
    const long long presented = std::strtoll(outcome.text.c_str(), nullptr, 10);
    return {1e-6 * static_cast<double>(presented - start), outcome.cpu};
}

// The steps of one run, in the order they came, as StepMode writes them.
using Steps = std::vector<std::pair<std::string, Cost>>;

Steps ParseSteps(const std::string& text) {
    Steps steps;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            char* rest = nullptr;
            Cost cost;
            cost.wall = std::strtod(line.c_str() + tab + 1, &rest);
            cost.cpu = std::strtod(rest, nullptr);
            steps.emplace_back(line.substr(0, tab), cost);
        }
        at = end + 1;
    }
    return steps;
}

void WriteStep(const char* name, Cost cost) {
    const char* fd = std::getenv(ResultFdVariable);
    char line[128];
    const int length =
        std::snprintf(line, sizeof line, "%s\t%.3f\t%.3f\n", name, cost.wall, cost.cpu);
    if (fd == nullptr || write(std::atoi(fd), line, static_cast<std::size_t>(length)) != length) {
        std::exit(3);
    }
}

// Where the running step began.
std::int64_t stepWall = 0;
double stepCpu = 0.0;

void BeginStep() {
    stepWall = MonotonicNanoseconds();
    stepCpu = CpuMilliseconds();
}

Cost StepCost() {
    return {1e-6 * static_cast<double>(MonotonicNanoseconds() - stepWall),
            CpuMilliseconds() - stepCpu};
}

void StepDone(const char* step) {
    WriteStep(step, StepCost());
    BeginStep();
}

void FirstFrames(Show& show) {
    // As the show's entry: vertical sync, the sound's delay, then frames.
    AskForVerticalSync();
    show.soundDelayTicks =
        static_cast<std::uint32_t>(std::lround(GetSoundOutputLatency().seconds * 1000.0));
    for (const char* frame : {"first frame", "second frame"}) {
        StepShow(show, ReadShowClock(show));
        SwapBuffers(demo.deviceContext);
        glFinish();
        StepDone(frame);
    }
}

Cost BankCost(std::span<const char* const> sampled) {
    BeginStep();
    Synth synth;
    BuildInstrumentBank(synth, demo.randomSeed, sampled);
    return StepCost();
}

void MusicParts() {
    const Cost bank = BankCost({});
    const Cost full = BankCost(Sequencer::sampledInstruments());
    WriteStep("  of music: bank", bank);
    WriteStep("  of music: drums' pre-render", {full.wall - bank.wall, full.cpu - bank.cpu});
    Synth synth;
    BuildInstrumentBank(synth, demo.randomSeed, Sequencer::sampledInstruments());
    BeginStep();
    Sequencer sequencer(synth);
    sequencer.loadSong();
    WriteStep("  of music: song loading", StepCost());
}

// The show's start-up as its entry runs it, each step timed.
int StepMode(std::int64_t launched) {
    WriteStep("process start",
              {1e-6 * static_cast<double>(MonotonicNanoseconds() - launched), CpuMilliseconds()});
    BeginStep();
    ShowRun run;
    run.program = "bench_startup";
    run.stepDone = StepDone;
    Show show;
    if (!StartShow(run, show)) {
        return 1;
    }
    FirstFrames(show);
    MusicParts();
    return 0;
}

void PrintCost(const std::vector<Cost>& costs, const std::string& what) {
    std::vector<double> walls;
    std::vector<double> cpus;
    for (const Cost& c : costs) {
        walls.push_back(c.wall);
        cpus.push_back(c.cpu);
    }
    std::printf("  %7.1f ms  %7.1f ms  %s\n", Median(walls), Median(cpus), what.c_str());
}

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (argc == 3 && std::strcmp(argv[1], StepsSwitch) == 0) {
        return StepMode(std::strtoll(argv[2], nullptr, 10));
    }

    int runs = 11;
    std::vector<std::string> shows;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            shows.emplace_back(argv[i]);
        }
    }
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string self(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (shows.empty()) {
        shows.push_back(self.substr(0, self.rfind('/') + 1) + "hallatorvo");
    }
    if (runs < 1 || self.empty()) {
        std::fprintf(stderr, "usage: bench_startup [--runs N] [SHOW...]\n");
        return 2;
    }

    std::vector<std::vector<Cost>> launches(shows.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t s = 0; s < shows.size(); ++s) {
            const Cost cost = TimeLaunch(shows[s]);
            if (std::isnan(cost.wall)) {
                std::fprintf(stderr, "%s presented no frame\n", shows[s].c_str());
                return 1;
            }
            launches[s].push_back(cost);
        }
    }
    std::printf("launch to first presented frame, median of %d runs:\n"
                "     wall        CPU\n",
                runs);
    for (std::size_t s = 0; s < shows.size(); ++s) {
        PrintCost(launches[s], shows[s]);
    }

    std::vector<Steps> runsSteps;
    for (int run = 0; run < runs; ++run) {
        const Outcome outcome =
            RunAndRead(self, {StepsSwitch, std::to_string(MonotonicNanoseconds())}, {});
        if (!outcome.ok) {
            std::fprintf(stderr, "the timed start-up failed\n");
            return 1;
        }
        runsSteps.push_back(ParseSteps(outcome.text));
    }
    std::printf("the start-up of this build, step by step, median of %d runs:\n"
                "     wall        CPU\n",
                runs);
    for (std::size_t k = 0; k < runsSteps.front().size(); ++k) {
        std::vector<Cost> costs;
        for (const Steps& steps : runsSteps) {
            if (k < steps.size()) {
                costs.push_back(steps[k].second);
            }
        }
        PrintCost(costs, runsSteps.front()[k].first);
    }
    return 0;
}
