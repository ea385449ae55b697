#include "tools/capture/CaptureOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int MaxSide = 16384;
constexpr double MaxFps = 1000.0;

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseCount(const std::string& text, unsigned long long limit, unsigned long long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size() && value <= limit;
}

bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) {
        return false;
    }
    unsigned long long w = 0;
    unsigned long long h = 0;
    if (!parseCount(text.substr(0, cross), MaxSide, w) ||
        !parseCount(text.substr(cross + 1), MaxSide, h) || w == 0 || h == 0) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool isShowTime(double t) {
    return t >= 0.0 && t <= ShowEndSeconds;
}

ParsedOptions failure(std::string error) {
    ParsedOptions parsed;
    parsed.error = std::move(error);
    return parsed;
}

} // namespace

const char* CaptureUsage() {
    return "usage: hallatorvo-capture [--seed N] [--fps F] [--size WxH] [--res N] [--aspect]\n"
           "                          [--shot T:FILE.png]...\n"
           "                          [--frames DIR [--from S] [--to S]]\n"
           "                          [--video FILE.mp4] [--audio FILE.wav]\n"
           "       hallatorvo-capture --help | --version\n"
           "  --seed N          random seed of the run (default 1)\n"
           "  --fps F           frames per second of show time (default 60)\n"
           "  --size WxH        output size in pixels (default 512x512)\n"
           "  --res N           draw each frame at N x N, N a multiple of 128 from 256\n"
           "                    to 4096 (default 512)\n"
           "  --aspect          keep the square frame square, centred with black bars,\n"
           "                    instead of stretching it over the output\n"
           "  --shot T:FILE     write the frame shown at T seconds as a PNG; repeatable\n"
           "  --frames DIR      write frames as DIR/frame_00000.png, frame_00001.png, ...\n"
           "  --video FILE      encode frames and the song into FILE through ffmpeg\n"
           "  --audio FILE      write the song as a WAV file\n"
           "  --from S, --to S  the show time range for --frames and --video\n"
           "                    (default 0 to 103, the whole show)\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n";
}

ParsedOptions ParseCaptureOptions(const std::vector<std::string>& arguments) {
    CaptureOptions options;
    bool rangeGiven = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (name == "--aspect") {
            options.keepAspect = true;
            continue;
        }
        const bool known = name == "--seed" || name == "--fps" || name == "--size" ||
                           name == "--res" || name == "--shot" || name == "--frames" ||
                           name == "--video" || name == "--from" || name == "--to" ||
                           name == "--audio";
        if (!known) {
            return failure("unknown option '" + name + "'");
        }
        if (i + 1 >= arguments.size()) {
            return failure(name + " needs a value");
        }
        const std::string& value = arguments[++i];

        if (name == "--seed") {
            unsigned long long seed = 0;
            if (!parseCount(value, 0xFFFFFFFFull, seed)) {
                return failure("--seed needs a whole number from 0 to 4294967295, not '" + value +
                               "'");
            }
            options.seed = static_cast<std::uint32_t>(seed);
        } else if (name == "--fps") {
            if (!parseNumber(value, options.fps) || options.fps <= 0.0 || options.fps > MaxFps) {
                return failure("--fps needs a number above 0 and at most 1000, not '" + value +
                               "'");
            }
        } else if (name == "--size") {
            if (!parseSize(value, options.width, options.height)) {
                return failure("--size needs WxH with sides from 1 to 16384, not '" + value + "'");
            }
        } else if (name == "--res") {
            unsigned long long side = 0;
            if (!parseCount(value, MaxFrameSize, side) ||
                !IsFrameSize(static_cast<long long>(side))) {
                return failure("--res needs a multiple of 128 from 256 to 4096, not '" + value +
                               "'");
            }
            options.frameSize = static_cast<int>(side);
        } else if (name == "--shot") {
            const std::size_t colon = value.find(':');
            ShotRequest shot;
            if (colon == std::string::npos || !parseNumber(value.substr(0, colon), shot.time) ||
                !isShowTime(shot.time) || colon + 1 == value.size()) {
                return failure("--shot needs T:FILE with T from 0 to 103 seconds, not '" + value +
                               "'");
            }
            shot.file = value.substr(colon + 1);
            options.shots.push_back(shot);
        } else if (name == "--frames" || name == "--video" || name == "--audio") {
            if (value.empty()) {
                return failure(name + " needs a non-empty path");
            }
            std::string& path = name == "--frames"  ? options.framesDirectory
                                : name == "--video" ? options.videoFile
                                                    : options.audioFile;
            path = value;
        } else {
            double& bound = name == "--from" ? options.from : options.to;
            if (!parseNumber(value, bound) || !isShowTime(bound)) {
                return failure(name + " needs a time from 0 to 103 seconds, not '" + value + "'");
            }
            rangeGiven = true;
        }
    }

    if (options.help || options.version) {
        ParsedOptions parsed;
        parsed.ok = true;
        parsed.options = options;
        return parsed;
    }
    const bool sequence = !options.framesDirectory.empty() || !options.videoFile.empty();
    if (rangeGiven && !sequence) {
        return failure("--from and --to apply to --frames and --video only");
    }
    if (!sequence && options.shots.empty() && options.audioFile.empty()) {
        return failure("nothing to capture: give --shot, --frames, --video or --audio");
    }
    if (sequence &&
        FrameAtOrAfter(options.from, options.fps) > FrameAtOrBefore(options.to, options.fps)) {
        return failure("no frame lies between --from and --to");
    }

    ParsedOptions parsed;
    parsed.ok = true;
    parsed.options = options;
    return parsed;
}

CapturePlan PlanCapture(const CaptureOptions& options) {
    CapturePlan plan;
    for (const ShotRequest& shot : options.shots) {
        const std::int64_t frame = FrameAtOrBefore(shot.time, options.fps);
        plan.shotFrames.push_back(frame);
        plan.lastFrame = std::max(plan.lastFrame, frame);
    }
    if (!options.framesDirectory.empty() || !options.videoFile.empty()) {
        plan.rangeFirst = FrameAtOrAfter(options.from, options.fps);
        plan.rangeLast = FrameAtOrBefore(options.to, options.fps);
        plan.lastFrame = std::max(plan.lastFrame, plan.rangeLast);
    }
    return plan;
}
