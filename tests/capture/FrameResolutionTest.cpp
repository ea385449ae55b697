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

class FrameResolution : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() / ("hv_resolution_" + std::to_string(getpid()));
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    // One shot at `time`, read back.
    Picture shot(const std::string& time, std::vector<std::string> options) {
        const fs::path file = directory / ("at" + time + ".png");
        options.insert(options.begin(), CAPTURE_EXE);
        options.push_back("--shot");
        options.push_back(time + ":" + file.string());
        const ProcessResult run =
            RunProcess(options, ProcessOptions{{"SDL_AUDIODRIVER=dummy"}, 600.0, -1.0, 0});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        return ReadPng(file);
    }

    fs::path directory;
};

// The mean grey step between neighbouring pixels: larger for sharper edges.
double sharpness(const Picture& p) {
    auto grey = [&](unsigned x, unsigned y) {
        const std::uint8_t* c = &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
        return (c[0] + c[1] + c[2]) / 3.0;
    };
    double sum = 0.0;
    for (unsigned y = 0; y + 1 < p.height; ++y) {
        for (unsigned x = 0; x + 1 < p.width; ++x) {
            sum += std::abs(grey(x + 1, y) - grey(x, y)) + std::abs(grey(x, y + 1) - grey(x, y));
        }
    }
    return sum / (static_cast<double>(p.width) * p.height);
}

// p averaged over blocks of `block` x `block` pixels.
Picture reduced(const Picture& p, unsigned block) {
    Picture out;
    out.width = p.width / block;
    out.height = p.height / block;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    for (unsigned y = 0; y < out.height; ++y) {
        for (unsigned x = 0; x < out.width; ++x) {
            for (unsigned c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (unsigned v = 0; v < block; ++v) {
                    for (unsigned u = 0; u < block; ++u) {
                        sum += p.rgb[((static_cast<std::size_t>(y) * block + v) * p.width +
                                      x * block + u) *
                                         3 +
                                     c];
                    }
                }
                out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3 + c] =
                    static_cast<std::uint8_t>((sum + block * block / 2) / (block * block));
            }
        }
    }
    return out;
}

// p enlarged `factor` times, each pixel repeated.
Picture enlarged(const Picture& p, unsigned factor) {
    Picture out;
    out.width = p.width * factor;
    out.height = p.height * factor;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    for (unsigned y = 0; y < out.height; ++y) {
        for (unsigned x = 0; x < out.width; ++x) {
            for (unsigned c = 0; c < 3; ++c) {
                out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3 + c] =
                    p.rgb[(static_cast<std::size_t>(y / factor) * p.width + x / factor) * 3 + c];
            }
        }
    }
    return out;
}

double meanDifference(const Picture& a, const Picture& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::abs(a.rgb[i] - b.rgb[i]);
    }
    return sum / static_cast<double>(a.rgb.size());
}

// The same moment at 2048 and at 512: scaled down, the large frame is the
// small one up to sampling (a mean within 2 % of full scale, and within 1.5 %
// once both are reduced to 64 x 64, where only the glow and the large shapes
// remain), while at full size its edges are half as sharp again as the small
// frame's enlarged (the small frame drawn large would be no sharper).
TEST_F(FrameResolution, TheLargeFrameIsTheSameShowWithSharperEdges) {
    const Picture small = shot("12", {"--fps", "0.5"});
    const Picture large = shot("12", {"--fps", "0.5", "--res", "2048", "--size", "2048x2048"});
    ASSERT_EQ(small.width, 512u);
    ASSERT_EQ(large.width, 2048u);
    ASSERT_EQ(large.height, 2048u);

    const Picture scaledDown = reduced(large, 4);
    EXPECT_LT(meanDifference(scaledDown, small), 0.02 * 255);
    EXPECT_LT(meanDifference(reduced(scaledDown, 8), reduced(small, 8)), 0.015 * 255);
    EXPECT_GT(sharpness(large), 1.5 * sharpness(enlarged(small, 4)));
}

// At 1920 x 1080 the kept-square frame is the centred 1080 x 1080 picture
// between black bars of 420 columns; the frame at the start is white.
TEST_F(FrameResolution, AKeptAspectLeavesBlackBarsOf420ColumnsAt1920By1080) {
    const Picture p = shot("0", {"--res", "256", "--size", "1920x1080", "--aspect"});
    ASSERT_EQ(p.width, 1920u);
    ASSERT_EQ(p.height, 1080u);
    int wrongBars = 0;
    int darkPicture = 0;
    for (unsigned y = 0; y < p.height; ++y) {
        for (unsigned x = 0; x < p.width; ++x) {
            const std::uint8_t* c = &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
            const bool bar = x < 420 || x >= 1500;
            wrongBars += bar && (c[0] | c[1] | c[2]) != 0;
            darkPicture += !bar && (c[0] < 200 || c[1] < 200 || c[2] < 200);
        }
    }
    EXPECT_EQ(wrongBars, 0);
    EXPECT_EQ(darkPicture, 0);
}

} // namespace
