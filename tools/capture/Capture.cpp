// hallatorvo-capture: renders the show offline with a fixed seed and a fixed
// frame step, writing chosen frames as PNG files, the song as WAV, or both as
// a video.
#include "app/Show.h"
#include "app/Shutdown.h"
#include "tools/capture/AudioCapture.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/FrameGrab.h"
#include "tools/capture/PngFile.h"
#include "tools/capture/VideoPipe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* Program = "hallatorvo-capture";

// A WAV file for ffmpeg to mux, removed when the capture ends.
struct TemporaryFile {
    TemporaryFile() {
        char name[] = "/tmp/hallatorvo-capture-XXXXXX.wav";
        const int descriptor = mkstemps(name, 4);
        if (descriptor >= 0) {
            ::close(descriptor);
            path = name;
        }
    }
    ~TemporaryFile() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    std::string path;
};

std::string framePath(const std::string& directory, long long number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05lld.png", number);
    return (std::filesystem::path(directory) / name).string();
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
    std::fflush(stderr);
    ExitProcess(1);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseCaptureOptions(arguments);
    if (!parsed.ok) {
        std::fprintf(stderr, "%s: %s\n%s", Program, parsed.error.c_str(), CaptureUsage());
        return 2;
    }
    const CaptureOptions& options = parsed.options;
    if (options.help) {
        std::fputs(CaptureUsage(), stdout);
        return 0;
    }

    std::string ffmpeg;
    if (!options.videoFile.empty()) {
        ffmpeg = FindFfmpeg();
        if (ffmpeg.empty()) {
            std::fprintf(stderr, "%s: --video needs ffmpeg, which is not on PATH\n", Program);
            return 1;
        }
    }
    if (!options.framesDirectory.empty()) {
        std::error_code failed;
        std::filesystem::create_directories(options.framesDirectory, failed);
        if (failed) {
            std::fprintf(stderr, "%s: %s: %s\n", Program, options.framesDirectory.c_str(),
                         failed.message().c_str());
            return 1;
        }
    }

    const CapturePlan plan = PlanCapture(options);
    const bool drawsFrames = plan.lastFrame >= 0;

    // Headless unless the caller chose a video driver.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    Show show;
    if (drawsFrames) {
        ShowRun run;
        run.fullscreen = false;
        run.width = options.width;
        run.height = options.height;
        run.frameSize = options.frameSize;
        run.keepAspect = options.keepAspect;
        run.fixedSeed = true;
        run.seed = options.seed;
        run.offline = true;
        run.program = Program;
        if (!StartShow(run, show)) {
            return 1;
        }
    }

    // The song, after the visual start-up as in the show.
    std::string error;
    TemporaryFile songForVideo;
    std::string songFile = options.audioFile;
    if (songFile.empty() && !options.videoFile.empty()) {
        songFile = songForVideo.path;
        if (songFile.empty()) {
            fail("cannot create a temporary file for the song");
        }
    }
    if (!songFile.empty() && !CaptureShowAudio(songFile, options.seed, error)) {
        fail(error);
    }
    if (!drawsFrames) {
        return 0;
    }

    const int width = options.width;
    const int height = options.height;
    std::vector<std::uint8_t> bottomUp(static_cast<std::size_t>(width) * height * 3);
    std::vector<std::uint8_t> topDown(bottomUp.size());

    VideoPipe video;
    const double videoStart = static_cast<double>(plan.rangeFirst) / options.fps;
    if (!options.videoFile.empty() && !video.open(ffmpeg, options.videoFile, width, height,
                                                  options.fps, songFile, videoStart, error)) {
        fail(error);
    }

    const bool progressInPlace = isatty(STDERR_FILENO) != 0;
    const float step = static_cast<float>(1.0 / options.fps);
    const auto started = std::chrono::steady_clock::now();
    auto lastProgress = started;
    long long written = 0;
    long long sequenceNumber = 0;

    for (std::int64_t frame = 0; frame <= plan.lastFrame; ++frame) {
        FrameTime at;
        at.time = static_cast<float>(static_cast<double>(frame) / options.fps);
        at.frameDelta = frame == 0 ? at.time : step;
        StepShow(show, at);

        const bool inRange = plan.inRange(frame);
        const bool shot = std::find(plan.shotFrames.begin(), plan.shotFrames.end(), frame) !=
                          plan.shotFrames.end();
        if (shot || inRange) {
            GrabFrame(width, height, bottomUp, topDown);
            ++written;
        }
        for (std::size_t i = 0; i < plan.shotFrames.size(); ++i) {
            if (plan.shotFrames[i] == frame &&
                !WritePng(options.shots[i].file, topDown.data(), width, height, error)) {
                fail(error);
            }
        }
        if (inRange && !options.framesDirectory.empty() &&
            !WritePng(framePath(options.framesDirectory, sequenceNumber), topDown.data(), width,
                      height, error)) {
            fail(error);
        }
        if (inRange && !options.videoFile.empty() && !video.write(topDown.data(), error)) {
            fail(error);
        }
        if (inRange) {
            ++sequenceNumber;
        }

        const auto now = std::chrono::steady_clock::now();
        if (now - lastProgress >= std::chrono::seconds(1)) {
            lastProgress = now;
            std::fprintf(stderr, "%s: frame %lld of %lld (%.2f s)%s", Program,
                         static_cast<long long>(frame + 1),
                         static_cast<long long>(plan.lastFrame + 1), static_cast<double>(at.time),
                         progressInPlace ? "\r" : "\n");
        }
    }

    if (!video.close(error)) {
        fail(error);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long long rendered = static_cast<long long>(plan.lastFrame + 1);
    std::fprintf(stderr,
                 "%s%s: %lld frames written (%lld rendered), %.2f ms per frame on average\n",
                 progressInPlace ? "\n" : "", Program, written, rendered,
                 rendered > 0 ? 1000.0 * seconds / static_cast<double>(rendered) : 0.0);

    Shutdown();
    ExitProcess(0);
}
