// The default frames, pinned pixel for pixel: shots of the capture tool with
// seed 1 at five frames per second through all three scenes, at the frame's
// own 512 x 512 and stretched to the 800 x 600 window.
#include "tests/support/Golden.h"
#include "tests/support/PngPicture.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct GoldenFrame {
    const char* size;
    const char* time;
    std::uint64_t checksum; // of the decoded RGB pixels, top row first
};

// Recorded with Mesa's llvmpipe, before frame resolution became an option.
const GoldenFrame Frames[] = {
    {"512x512", "5", 0xe69b59acae044a48ull},  {"512x512", "20", 0x7899be8e2740ec8dull},
    {"512x512", "40", 0xaa9ac8ddd362bce9ull}, {"512x512", "50", 0x5cbe4dbe25499332ull},
    {"512x512", "66", 0xcef07a1a4aec1953ull}, {"512x512", "75", 0xd83935bb79e5cfbeull},
    {"512x512", "85", 0xc7a66d70b09ac2b6ull}, {"512x512", "100", 0x5e9fff59bc327f76ull},
    {"800x600", "20", 0x6ee0bdfbd4e1e079ull}, {"800x600", "85", 0x868cda63dd9c3dfcull},
};

} // namespace

TEST(FrameGolden, TheDefaultFramesAreTheSettledOnes) {
    const fs::path directory =
        fs::temp_directory_path() / ("hv_golden_" + std::to_string(getpid()));
    fs::create_directories(directory);
    auto file = [&directory](const GoldenFrame& frame) {
        return directory / (std::string(frame.size) + "_" + frame.time + ".png");
    };

    // One capture run per output size, every shot of that size in it.
    for (const char* size : {"512x512", "800x600"}) {
        std::vector<std::string> arguments = {CAPTURE_EXE, "--fps", "5", "--size", size};
        for (const GoldenFrame& frame : Frames) {
            if (std::string(frame.size) == size) {
                arguments.push_back("--shot");
                arguments.push_back(std::string(frame.time) + ":" + file(frame).string());
            }
        }
        const ProcessResult run =
            RunProcess(arguments, ProcessOptions{{"SDL_AUDIODRIVER=dummy"}, 900.0, -1.0, 0});
        ASSERT_EQ(run.exitCode, 0) << run.output;
    }

    for (const GoldenFrame& frame : Frames) {
        const Picture picture = ReadPng(file(frame));
        ASSERT_FALSE(picture.rgb.empty()) << frame.size << " at " << frame.time << " s";
        const std::uint64_t checksum = Fnv1a64(picture.rgb.data(), picture.rgb.size());
        const std::string name = std::string(frame.size) + " at " + frame.time + " s";
        if (RecordingGolden()) {
            PrintGolden(name, checksum);
        } else {
            EXPECT_EQ(checksum, frame.checksum)
                << name << " (frames depend on Mesa's llvmpipe too)" << GoldenMismatchNote();
        }
    }
    fs::remove_all(directory);
}
