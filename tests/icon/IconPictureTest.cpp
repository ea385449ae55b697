// The icon's painting: scaling in linear light with premultiplied alpha, and
// the real flake laid inside its disc at every installed size.
#include "tools/icon/IconPicture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes flat(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    Bytes rgba;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(), {r, g, b, a});
    }
    return rgba;
}

Bytes scaled(const Bytes& rgba, int width, int height, int toWidth, int toHeight) {
    return ToSrgb(Resample(FromSrgb(rgba.data(), width, height), toWidth, toHeight));
}

double meanAlpha(const Bytes& rgba) {
    double sum = 0.0;
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
        sum += rgba[i];
    }
    return sum / (rgba.size() / 4) / 255.0;
}

} // namespace

TEST(IconPicture, EveryEightBitValueSurvivesTheTripThroughLinearLight) {
    Bytes opaque;
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        opaque.insert(opaque.end(), {b, static_cast<std::uint8_t>(255 - v), b, 255});
    }
    EXPECT_EQ(ToSrgb(FromSrgb(opaque.data(), 256, 1)), opaque);
    // Colours under every alpha, which premultiplying must not lose.
    Bytes translucent;
    for (int a = 1; a < 256; ++a) {
        translucent.insert(translucent.end(), {200, 90, 7, static_cast<std::uint8_t>(a)});
    }
    const Bytes back = ToSrgb(FromSrgb(translucent.data(), 255, 1));
    for (std::size_t i = 0; i < back.size(); i += 4) {
        EXPECT_EQ(back[i + 3], translucent[i + 3]);
        for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(back[i + c], translucent[i + c], 1) << "alpha " << int(back[i + 3]);
        }
    }
}

TEST(IconPicture, AFlatColourStaysFlatAtEverySize) {
    const std::tuple<int, int, int, int> sizes[] = {
        // from, to
        {128, 128, 48, 48}, {128, 128, 256, 256}, {128, 128, 128, 128}, {7, 5, 3, 11}, {1, 1, 4, 4},
    };
    for (const auto& [width, height, toWidth, toHeight] : sizes) {
        for (const Bytes& colour : {Bytes{30, 60, 200, 255}, Bytes{255, 255, 255, 128}}) {
            const Bytes out =
                scaled(flat(width, height, colour[0], colour[1], colour[2], colour[3]), width,
                       height, toWidth, toHeight);
            ASSERT_EQ(out.size(), static_cast<std::size_t>(toWidth * toHeight * 4));
            EXPECT_EQ(out, flat(toWidth, toHeight, colour[0], colour[1], colour[2], colour[3]))
                << width << "x" << height << " to " << toWidth << "x" << toHeight;
        }
    }
}

TEST(IconPicture, TheSameSizeGivesThePictureBack) {
    Bytes noise(16 * 16 * 4);
    std::uint32_t state = 1;
    for (std::uint8_t& b : noise) {
        state = state * 214013u + 2531011u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    // Enough alpha that premultiplying keeps every colour exactly.
    for (std::size_t i = 3; i < noise.size(); i += 4) {
        noise[i] = std::max<std::uint8_t>(noise[i], 64);
    }
    EXPECT_EQ(scaled(noise, 16, 16, 16, 16), noise);
}

// Half of the light is sRGB 188; averaging the stored values would give 128.
TEST(IconPicture, FineDetailIsAveragedInLinearLight) {
    Bytes checks;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t v = (x + y) % 2 == 0 ? 255 : 0;
            checks.insert(checks.end(), {v, v, v, 255});
        }
    }
    const Bytes half = scaled(checks, 64, 64, 32, 32);
    for (int y = 4; y < 28; ++y) {
        for (int x = 4; x < 28; ++x) {
            EXPECT_NEAR(half[(y * 32 + x) * 4], 188, 1) << x << "," << y;
        }
    }
}

// Transparent pixels may hold any colour; none of it may bleed into the
// visible ones, shrunk or enlarged.
TEST(IconPicture, TransparentPixelsLendNoColour) {
    Bytes half;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Bytes pixel = x < 8 ? Bytes{0, 0, 255, 255} : Bytes{255, 255, 0, 0};
            half.insert(half.end(), pixel.begin(), pixel.end());
        }
    }
    for (const int size : {5, 40}) {
        const Bytes out = scaled(half, 16, 16, size, size);
        int seen = 0;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            if (out[i + 3] > 0) {
                EXPECT_EQ(out[i], 0);
                EXPECT_EQ(out[i + 1], 0);
                EXPECT_EQ(out[i + 2], 255);
                ++seen;
            }
        }
        EXPECT_GT(seen, 0);
    }
}

TEST(IconPicture, ShrinkingKeepsHowMuchOfThePictureIsCovered) {
    Bytes square = flat(128, 128, 255, 255, 255, 0);
    for (int y = 40; y < 80; ++y) {
        for (int x = 50; x < 90; ++x) {
            square[(y * 128 + x) * 4 + 3] = 255;
        }
    }
    for (const int size : {48, 23}) {
        EXPECT_NEAR(meanAlpha(scaled(square, 128, 128, size, size)), 1600.0 / 16384.0, 0.003)
            << size;
    }
}

// The real flake at each installed size: a round, opaque disc with the flake
// wholly inside it, light against the disc's dark blue, and transparent
// corners.
TEST(IconPicture, TheFlakeLiesInsideItsDiscAtEveryInstalledSize) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, FLAKE_PNG));
    image.format = PNG_FORMAT_RGBA;
    Bytes flake(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, flake.data(), 0, nullptr));
    const LinearPicture source = FromSrgb(flake.data(), 128, 128);

    for (const int size : {48, 128, 256}) {
        const LinearPicture linear = PaintIcon(source, size);
        ASSERT_EQ(linear.width, size);
        ASSERT_EQ(linear.height, size);
        const Bytes icon = ToSrgb(linear);
        const double radius = 0.47 * size;
        int inside = 0;
        int light = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double d = std::hypot(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0);
                const std::uint8_t* p = &icon[(y * size + x) * 4];
                if (d > radius + 1.0) {
                    EXPECT_EQ(p[3], 0) << size << ": " << x << "," << y;
                } else if (d < radius - 1.0) {
                    EXPECT_EQ(p[3], 255) << size << ": " << x << "," << y;
                    ++inside;
                    light += p[0] > 160 && p[1] > 160 && p[2] > 160 ? 1 : 0;
                }
            }
        }
        // The flake's arms take a good part of the disc, but not most of it.
        EXPECT_GT(light, inside / 8) << size;
        EXPECT_LT(light, inside / 2) << size;
        const std::uint8_t* centre = &icon[(size / 2 * size + size / 2) * 4];
        EXPECT_GT(centre[0] + centre[1] + centre[2], 3 * 180) << size;
    }
}
