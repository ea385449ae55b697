// libFuzzer target: the capture tool's option parsing over any argument
// vector, the input's zero bytes separating the arguments. A refusal says why;
// an accepted request stays within the documented limits, and its plan renders
// the frames the request names and no more than the show holds.
#include "tools/capture/CaptureOptions.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string> splitArguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    if (size == 0) {
        return arguments;
    }
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(current);
    return arguments;
}

// Frame k shows time k / fps.
bool frameShowsAtOrBefore(std::int64_t frame, double time, double fps) {
    return frame >= 0 && static_cast<double>(frame) / fps <= time &&
           static_cast<double>(frame + 1) / fps > time;
}

void checkAccepted(const CaptureOptions& options) {
    require(options.fps > 0.0 && options.fps <= 1000.0);
    require(options.width >= 1 && options.width <= 16384);
    require(options.height >= 1 && options.height <= 16384);
    require(options.from >= 0.0 && options.to <= ShowEndSeconds);
    if (options.help || options.version) {
        return;
    }
    const bool sequence = !options.framesDirectory.empty() || !options.videoFile.empty();
    require(sequence || !options.shots.empty() || !options.audioFile.empty());

    const CapturePlan plan = PlanCapture(options);
    const std::int64_t showFrames = FrameAtOrBefore(ShowEndSeconds, options.fps);
    require(plan.lastFrame <= showFrames);
    require(plan.shotFrames.size() == options.shots.size());
    for (std::size_t i = 0; i < options.shots.size(); ++i) {
        require(!options.shots[i].file.empty());
        require(frameShowsAtOrBefore(plan.shotFrames[i], options.shots[i].time, options.fps));
        require(plan.shotFrames[i] <= plan.lastFrame);
    }
    if (sequence) {
        require(plan.rangeFirst <= plan.rangeLast && plan.rangeLast <= plan.lastFrame);
        require(static_cast<double>(plan.rangeFirst) / options.fps >= options.from);
        require(plan.rangeFirst == 0 ||
                static_cast<double>(plan.rangeFirst - 1) / options.fps < options.from);
        require(frameShowsAtOrBefore(plan.rangeLast, options.to, options.fps));
    } else {
        require(!plan.inRange(0) && !plan.inRange(plan.lastFrame));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments = splitArguments(data, size);
    const ParsedOptions parsed = ParseCaptureOptions(arguments);
    if (parsed.ok) {
        require(parsed.error.empty());
        checkAccepted(parsed.options);
    } else {
        require(!parsed.error.empty());
    }
    return 0;
}
