// hallatorvo-capture: renders the show offline with a fixed seed and a fixed
// frame step, writing chosen frames as PNG files, the song as WAV, or both as
// a video.
//
// Every output is checked before anything is rendered, and every file is
// written under a temporary name and renamed into place when complete: a
// capture that fails or is interrupted leaves no truncated file behind.
#include "app/Show.h"
#include "app/Shutdown.h"
#include "app/Version.h"
#include "tools/capture/AudioCapture.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/FrameGrab.h"
#include "tools/capture/Interruption.h"
#include "tools/capture/OutputFile.h"
#include "tools/capture/PngFile.h"
#include "tools/capture/VideoPipe.h"
#include "tools/capture/WavFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* Program = "hallatorvo-capture";

// Exit codes beyond success: a failure, a usage error, and an interruption by
// signal s as 128 + s, the shell's convention.
constexpr int Failed = 1;
constexpr int UsageError = 2;

int report(const std::string& message, int code = Failed) {
    std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
    return code;
}

int interrupted() {
    return report("interrupted; unfinished files removed", 128 + Interruption());
}

// The song that ffmpeg muxes when no --audio file is asked for, removed when
// the capture ends.
struct ScratchSong {
    ~ScratchSong() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }

    bool write(const std::vector<std::uint8_t>& pcm) {
        char name[] = "/tmp/hallatorvo-capture-XXXXXX.wav";
        const int descriptor = mkstemps(name, 4);
        if (descriptor < 0) {
            return false;
        }
        path = name;
        std::FILE* file = fdopen(descriptor, "wb");
        if (file == nullptr) {
            ::close(descriptor);
            return false;
        }
        const bool written = WriteWav(file, pcm.data(), ShowAudioSamples, ShowSampleRate);
        return std::fclose(file) == 0 && written;
    }

    std::string path;
};

std::string framePath(const std::string& directory, long long number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05lld.png", number);
    return (std::filesystem::path(directory) / name).string();
}

// The files of a capture, each made empty under its temporary name before
// anything is rendered.
struct Outputs {
    std::vector<OutputFile> shots; // one per --shot, in order
    OutputFile audio;
    OutputFile video;

    bool create(const CaptureOptions& options, std::string& error) {
        for (const ShotRequest& shot : options.shots) {
            if (!shots.emplace_back().create(shot.file, error)) {
                return false;
            }
        }
        if (!options.audioFile.empty() && !audio.create(options.audioFile, error)) {
            return false;
        }
        if (!options.videoFile.empty() && !video.create(options.videoFile, error)) {
            return false;
        }
        if (!options.framesDirectory.empty()) {
            std::error_code failed;
            std::filesystem::create_directories(options.framesDirectory, failed);
            if (failed) {
                error = options.framesDirectory + ": " + failed.message();
                return false;
            }
            OutputFile probe;
            return probe.create(framePath(options.framesDirectory, 0), error);
        }
        return true;
    }
};

bool writePicture(OutputFile& file, const std::vector<std::uint8_t>& rgb, int width, int height,
                  std::string& error) {
    return file.write(
        [&](std::FILE* stream) { return WritePng(stream, rgb.data(), width, height); }, error);
}

bool writeSong(OutputFile& file, const std::vector<std::uint8_t>& pcm, std::string& error) {
    return file.write(
        [&](std::FILE* stream) {
            return WriteWav(stream, pcm.data(), ShowAudioSamples, ShowSampleRate);
        },
        error);
}

int capture(const CaptureOptions& options) {
    std::string ffmpeg;
    if (!options.videoFile.empty()) {
        ffmpeg = FindFfmpeg();
        if (ffmpeg.empty()) {
            return report("--video needs ffmpeg, which is not on PATH");
        }
    }
    CatchInterruptions();
    std::string error;
    Outputs outputs;
    if (!outputs.create(options, error)) {
        return report(error);
    }

    const CapturePlan plan = PlanCapture(options);
    const bool drawsFrames = plan.lastFrame >= 0;

    // Headless unless the caller chose a video driver (an empty choice is none).
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    setenv("SDL_VIDEODRIVER", "offscreen", driver == nullptr || *driver == '\0');
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
            return Failed;
        }
    }

    // The song, after the visual start-up as in the show.
    ScratchSong songForVideo;
    std::string songFile = options.audioFile;
    if (!options.audioFile.empty() || !options.videoFile.empty()) {
        const std::vector<std::uint8_t> pcm = RenderShowAudio(options.seed);
        if (Interruption() != 0) {
            return interrupted();
        }
        if (!options.audioFile.empty() && !writeSong(outputs.audio, pcm, error)) {
            return report(error);
        }
        if (songFile.empty()) {
            if (!songForVideo.write(pcm)) {
                return report(std::string("cannot keep the song for the video in /tmp: ") +
                              std::strerror(errno));
            }
            songFile = songForVideo.path;
        }
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
    if (!options.videoFile.empty() &&
        !video.open(ffmpeg, outputs.video.temporaryPath(), width, height, options.fps, songFile,
                    videoStart, error)) {
        return report(error);
    }

    const bool progressInPlace = isatty(STDERR_FILENO) != 0;
    const auto started = std::chrono::steady_clock::now();
    auto lastProgress = started;
    long long written = 0;
    long long sequenceNumber = 0;

    for (std::int64_t frame = 0; frame <= plan.lastFrame; ++frame) {
        if (Interruption() != 0) {
            return interrupted();
        }
        const FrameTime at = FixedStepFrame(frame, options.fps);
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
                !writePicture(outputs.shots[i], topDown, width, height, error)) {
                return report(error);
            }
        }
        if (inRange && !options.framesDirectory.empty()) {
            OutputFile file;
            if (!file.create(framePath(options.framesDirectory, sequenceNumber), error) ||
                !writePicture(file, topDown, width, height, error)) {
                return report(error);
            }
        }
        if (inRange && !options.videoFile.empty() && !video.write(topDown.data(), error)) {
            return Interruption() != 0 ? interrupted() : report(error);
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

    if (!video.close(error) || (!options.videoFile.empty() && !outputs.video.commit(error))) {
        return Interruption() != 0 ? interrupted() : report(error);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long long rendered = static_cast<long long>(plan.lastFrame + 1);
    std::fprintf(stderr,
                 "%s%s: %lld frames written (%lld rendered), %.2f ms per frame on average\n",
                 progressInPlace ? "\n" : "", Program, written, rendered,
                 rendered > 0 ? 1000.0 * seconds / static_cast<double>(rendered) : 0.0);

    Shutdown();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseCaptureOptions(arguments);
    if (!parsed.ok) {
        std::fprintf(stderr, "%s: %s\n%s", Program, parsed.error.c_str(), CaptureUsage());
        return UsageError;
    }
    if (parsed.options.help) {
        std::fputs(CaptureUsage(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("%s %s\n", Program, ProgramVersion);
        return 0;
    }
    // The capture's files are settled before the process ends; SDL and the GL
    // are left to it.
    ExitProcess(static_cast<UINT>(capture(parsed.options)));
}
