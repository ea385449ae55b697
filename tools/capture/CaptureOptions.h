// The capture tool's command line and the frames it asks for.
//
// Frame k of a capture shows time k / fps. A shot at T is the frame with the
// largest k / fps <= T; a range --from S --to E covers every frame with
// S <= k / fps <= E (the whole show when not given).
#pragma once

#include "app/Show.h"

#include <cstdint>
#include <string>
#include <vector>

// Time of the show's last frame: its length plus one second.
constexpr double ShowEndSeconds = static_cast<double>(ShowLength) + 1.0;

struct ShotRequest {
    double time = 0.0;
    std::string file;
};

struct CaptureOptions {
    std::uint32_t seed = 1;
    double fps = 60.0;
    int width = 512;
    int height = 512;
    int frameSize = DefaultFrameSize;
    bool keepAspect = false;
    std::vector<ShotRequest> shots;
    std::string framesDirectory; // empty: no frame sequence
    std::string videoFile;       // empty: no video
    std::string audioFile;       // empty: no song as WAV
    double from = 0.0;
    double to = ShowEndSeconds;
    bool help = false;    // the usage instead of a capture
    bool version = false; // the version instead of a capture
};

struct ParsedOptions {
    bool ok = false;
    std::string error; // what was wrong, when not ok
    CaptureOptions options;
};

// Parses the arguments after the program name.
ParsedOptions ParseCaptureOptions(const std::vector<std::string>& arguments);

const char* CaptureUsage();

// Which frames a capture renders and what it writes of each.
struct CapturePlan {
    std::int64_t lastFrame = -1;          // frames 0..lastFrame are rendered
    std::int64_t rangeFirst = 0;          // frames rangeFirst..rangeLast go to the
    std::int64_t rangeLast = -1;          // frame directory and the video
    std::vector<std::int64_t> shotFrames; // one per shot, in order

    bool inRange(std::int64_t frame) const { return frame >= rangeFirst && frame <= rangeLast; }
};

CapturePlan PlanCapture(const CaptureOptions& options);
