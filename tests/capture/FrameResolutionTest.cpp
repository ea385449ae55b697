// Frames drawn at another resolution, and kept square, as a user captures
// them.
#include "tests/support/PngPicture.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One shot at `time`, read back.
Picture shot(const std::string& time, std::vector<std::string> arguments) {
    const fs::path file = fs::temp_directory_path() /
                          ("hv_resolution_" + std::to_string(getpid()) + "_" + time + ".png");
    arguments.insert(arguments.begin(), CAPTURE_EXE);
    arguments.insert(arguments.end(), {"--shot", time + ":" + file.string()});
    const ProcessResult run =
        RunProcess(arguments, ProcessOptions{{"SDL_AUDIODRIVER=dummy"}, 600.0, -1.0, 0});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    Picture picture = ReadPng(file);
    fs::remove(file);
    return picture;
}

// The grey levels of p averaged over blocks of `block` x `block` pixels.
std::vector<double> reduced(const Picture& p, unsigned block) {
    const unsigned w = p.width / block;
    std::vector<double> grey(static_cast<std::size_t>(w) * (p.height / block), 0.0);
    for (std::size_t i = 0; i < p.rgb.size(); ++i) {
        const std::size_t pixel = i / 3;
        grey[pixel / p.width / block * w + pixel % p.width / block] +=
            p.rgb[i] / (3.0 * block * block);
    }
    return grey;
}

double meanDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(a[i] - b[i]) / static_cast<double>(a.size());
    }
    return sum;
}

// The mean grey step between neighbours along rows and columns; a picture
// enlarged n times without new detail has 1/n of its original's.
double sharpness(const Picture& p) {
    const std::vector<double> grey = reduced(p, 1);
    double sum = 0.0;
    for (std::size_t i = 0; i + p.width < grey.size(); ++i) {
        sum += std::abs(grey[i + 1] - grey[i]) + std::abs(grey[i + p.width] - grey[i]);
    }
    return sum / static_cast<double>(grey.size());
}

// The same moment at 2048 and at 512: scaled down, the large frame is the
// small one up to sampling (mean grey within 2 % of full scale, and within
// 1.5 % at 64 x 64, where only the glow and the large shapes remain), while at
// full size its edges are half as sharp again as the small frame's enlarged.
TEST(FrameResolution, TheLargeFrameIsTheSameShowWithSharperEdges) {
    const Picture small = shot("12", {"--fps", "0.5"});
    const Picture large = shot("12", {"--fps", "0.5", "--res", "2048", "--size", "2048x2048"});
    ASSERT_EQ(small.width, 512u);
    ASSERT_EQ(large.width, 2048u);
    EXPECT_LT(meanDifference(reduced(large, 4), reduced(small, 1)), 0.02 * 255);
    EXPECT_LT(meanDifference(reduced(large, 32), reduced(small, 8)), 0.015 * 255);
    EXPECT_GT(sharpness(large), 1.5 * sharpness(small) / 4);
}

// At 1920 x 1080 the kept-square frame is the centred 1080 x 1080 picture
// between black bars of 420 columns; the frame at the start is white.
TEST(FrameResolution, AKeptAspectLeavesBlackBarsOf420ColumnsAt1920By1080) {
    const Picture p = shot("0", {"--res", "256", "--size", "1920x1080", "--aspect"});
    ASSERT_EQ(p.width, 1920u);
    ASSERT_EQ(p.height, 1080u);
    int wrong = 0;
    for (std::size_t i = 0; i < p.rgb.size(); ++i) {
        const std::size_t x = i / 3 % p.width;
        const bool bar = x < 420 || x >= 1500;
        wrong += bar ? p.rgb[i] != 0 : p.rgb[i] < 200;
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
