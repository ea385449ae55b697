// CPU time of the show's pictures, frame by frame and scene by scene: the show
// started offline as the capture tool starts it, stepped at a fixed rate from
// the first frame (the snow's motion depends on every earlier frame), each
// frame finished before the clock is read again. Process CPU time counts the
// GL driver's threads too.
//
//   bench_frames [--fps F] [--res N]     (defaults 10 and 512)
#include "app/Show.h"
#include "platform/GL.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

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

} // namespace

int main(int argc, char** argv) {
    double fps = 10.0;
    int res = DefaultFrameSize;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--fps") == 0) {
            fps = std::atof(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--res") == 0) {
            res = std::atoi(argv[i + 1]);
        }
    }
    if (!(fps > 0.0) || !IsFrameSize(res)) {
        std::fprintf(stderr, "usage: bench_frames [--fps F] [--res N]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);

    ShowRun run;
    run.fullscreen = false;
    run.width = res;
    run.height = res;
    run.frameSize = res;
    run.fixedSeed = true;
    run.seed = 1;
    run.offline = true;
    run.program = "bench_frames";
    Show show;
    const double startCpu = CpuMilliseconds();
    if (!StartShow(run, show)) {
        return 1;
    }
    glFinish();
    const double startUp = CpuMilliseconds() - startCpu;

    // The scenes' periods of show time.
    const struct {
        const char* name;
        float from, to;
    } scenes[] = {{"scene 1", 0.0f, 32.0f}, {"scene 2", 32.0f, 64.0f}, {"scene 3", 64.0f, 102.0f}};
    std::vector<double> costs[3];
    for (std::int64_t frame = 0;; ++frame) {
        const FrameTime at = FixedStepFrame(frame, fps);
        if (at.time >= ShowLength) {
            break;
        }
        const double before = CpuMilliseconds();
        StepShow(show, at);
        glFinish();
        const double cost = CpuMilliseconds() - before;
        for (int s = 0; s < 3; ++s) {
            if (at.time >= scenes[s].from && at.time < scenes[s].to) {
                costs[s].push_back(cost);
            }
        }
    }

    std::printf("start-up %.1f ms CPU; %d x %d frames at %g per second:\n", startUp, res, res, fps);
    for (int s = 0; s < 3; ++s) {
        std::printf("%s (%g to %g s): median %.2f ms CPU per frame over %zu frames\n",
                    scenes[s].name, static_cast<double>(scenes[s].from),
                    static_cast<double>(scenes[s].to), Median(costs[s]), costs[s].size());
    }
    return 0;
}
