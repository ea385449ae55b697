// hallatorvo-capture as a user runs it: what it writes, and what it refuses.
#include "tests/support/PngPicture.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <csignal>
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

// Files under `directory` that a capture left half made.
std::vector<std::string> unfinishedFiles(const fs::path& directory) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (entry.path().filename().string().find(".partial-") != std::string::npos) {
            found.push_back(entry.path().string());
        }
    }
    return found;
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
        {"--res", "4224", "--shot", "1:x.png"},
        {"--res", "1024.0", "--shot", "1:x.png"},
        {"--aspect", "yes", "--shot", "1:x.png"},
        {},
    };
    for (const auto& arguments : bad) {
        const ProcessResult run = capture(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find("usage: hallatorvo-capture"), std::string::npos) << run.output;
    }
}

// Every output is checked before anything is rendered: a late shot, a video or
// a frame folder where no file can go ends the capture at once, naming the
// path, and nothing else asked for (the song) is written.
TEST_F(Capture, AnOutputThatCannotBeWrittenEndsTheCaptureBeforeItRenders) {
    const fs::path song = directory / "song.wav";
    const fs::path notAFolder = directory / "notes.txt";
    std::ofstream(notAFolder) << "a file";
    // A stand-in ffmpeg, so that the video's own path is what gets checked.
    const fs::path tools = directory / "tools";
    fs::create_directories(tools);
    std::ofstream(tools / "ffmpeg") << "#!/bin/sh\nexit 0\n";
    fs::permissions(tools / "ffmpeg", fs::perms::owner_all);

    const std::string missing = (directory / "missing" / "late.png").string();
    const std::string inFile = (notAFolder / "x.png").string();
    const std::string video = (directory / "missing" / "show.mp4").string();
    const std::string frames = (notAFolder / "seq").string();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--shot", "100:" + missing}, missing + ": No such file or directory"},
        {{"--shot", "1:" + inFile}, inFile + ": Not a directory"},
        {{"--video", video, "--to", "1"}, video + ": No such file or directory"},
        {{"--frames", frames}, frames + ": Not a directory"},
        {{"--shot", "5:" + directory.string()}, directory.string() + ": is a folder"},
    };
    for (auto [arguments, reason] : cases) {
        arguments.insert(arguments.end(), {"--audio", song.string()});
        const ProcessResult run = capture(arguments, {"PATH=" + tools.string()});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("audio "), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(song)) << reason;
        EXPECT_EQ(unfinishedFiles(directory), std::vector<std::string>{}) << reason;
    }
}

// Stopped halfway, a capture removes what it had not finished: an older file
// of the late shot's name stays as it was, and the frames and the song
// written so far are whole.
TEST_F(Capture, AnInterruptedCaptureLeavesOnlyFinishedFiles) {
    const fs::path late = directory / "late.png";
    const fs::path song = directory / "song.wav";
    std::ofstream(late) << "the older picture";
    ProcessOptions options;
    options.environment = {"SDL_AUDIODRIVER=dummy"};
    options.signalAfterSeconds = 10.0;
    options.signal = SIGTERM;
    const ProcessResult run =
        RunProcess({CAPTURE_EXE, "--fps", "10", "--frames", (directory / "seq").string(), "--shot",
                    "100:" + late.string(), "--audio", song.string()},
                   options);
    EXPECT_EQ(run.exitCode, 128 + SIGTERM) << run.output;
    EXPECT_NE(run.output.find("interrupted"), std::string::npos) << run.output;

    EXPECT_EQ(bytesOf(late), "the older picture");
    EXPECT_EQ(unfinishedFiles(directory), std::vector<std::string>{});
    if (fs::exists(song)) {
        EXPECT_EQ(fs::file_size(song), 44u + 103u * 22050u * 2u);
    }
    for (const auto& frame : fs::directory_iterator(directory / "seq")) {
        EXPECT_EQ(ReadPng(frame.path()).width, 512u) << frame.path();
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
