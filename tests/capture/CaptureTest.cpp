// hallatorvo-capture as a user runs it: what it writes, and what it refuses.
#include "tests/support/PngPicture.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        directory =
            fs::temp_directory_path() /
            ("hv_capture_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    ProcessResult capture(std::vector<std::string> arguments,
                          std::vector<std::string> environment = {}) {
        arguments.insert(arguments.begin(), CAPTURE_EXE);
        ProcessOptions options;
        options.environment = {"SDL_AUDIODRIVER=dummy"};
        options.environment.insert(options.environment.end(), environment.begin(),
                                   environment.end());
        options.timeoutSeconds = 300.0;
        return RunProcess(arguments, options);
    }

    fs::path directory;
};

TEST_F(Capture, AfterTheLastSceneTheFrameIsBlack) {
    const fs::path shot = directory / "end.png";
    const ProcessResult run =
        capture({"--fps", "2", "--size", "320x200", "--shot", "102.5:" + shot.string()});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("frames written"), std::string::npos) << run.output;
    const Picture picture = ReadPng(shot);
    EXPECT_EQ(picture.width, 320u);
    EXPECT_EQ(picture.height, 200u);
    ASSERT_FALSE(picture.rgb.empty());
    EXPECT_EQ(*std::max_element(picture.rgb.begin(), picture.rgb.end()), 0);
}

TEST_F(Capture, TheSameSeedGivesTheSameFrames) {
    std::vector<std::string> shots;
    for (const char* run : {"a", "b"}) {
        for (const char* t : {"0.5", "2"}) {
            shots.push_back((directory / (std::string(run) + t + ".png")).string());
        }
        const auto n = shots.size();
        const ProcessResult result =
            capture({"--seed", "7", "--fps", "4", "--shot", "0.5:" + shots[n - 2], "--shot",
                     "2:" + shots[n - 1]});
        ASSERT_EQ(result.exitCode, 0) << result.output;
    }
    EXPECT_FALSE(bytesOf(shots[0]).empty());
    EXPECT_EQ(bytesOf(shots[0]), bytesOf(shots[2]));
    EXPECT_EQ(bytesOf(shots[1]), bytesOf(shots[3]));
}

TEST_F(Capture, AFrameRangeIsNumberedFromZero) {
    // At 10 frames per second, 0.45 to 0.8 s holds frames 5 to 8.
    const ProcessResult run = capture(
        {"--fps", "10", "--frames", (directory / "seq").string(), "--from", "0.45", "--to", "0.8"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> names;
    for (const auto& file : fs::directory_iterator(directory / "seq")) {
        names.push_back(file.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame_00000.png", "frame_00001.png",
                                               "frame_00002.png", "frame_00003.png"}));
    EXPECT_EQ(ReadPng(directory / "seq" / "frame_00003.png").width, 512u);
}

TEST_F(Capture, BadCommandLinesGetTheUsageAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--shot"},
        {"--shot", "5"},
        {"--shot", "-1:x.png"},
        {"--size", "512", "--shot", "1:x.png"},
        {"--size", "0x512", "--shot", "1:x.png"},
        {"--fps", "0", "--shot", "1:x.png"},
        {"--fps", "abc", "--shot", "1:x.png"},
        {"--seed", "-3", "--shot", "1:x.png"},
        {"--from", "1", "--shot", "1:x.png"},
        {"--frames", "d", "--from", "3", "--to", "2"},
        {"--res", "1000", "--shot", "1:x.png"},
        {},
    };
    for (const auto& arguments : bad) {
        const ProcessResult run = capture(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find("usage: hallatorvo-capture"), std::string::npos) << run.output;
    }
}

TEST_F(Capture, AVideoWithoutFfmpegIsRefusedClearly) {
    const fs::path video = directory / "show.mp4";
    const ProcessResult run = capture({"--video", video.string(), "--to", "1"},
                                      {"PATH=" + (directory / "nowhere").string()});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("ffmpeg"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(video));
}

} // namespace
