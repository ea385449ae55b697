// The icon's painting: scaling in linear light with premultiplied alpha, and
// the real flake laid inside its disc at every installed size.
#include "tools/icon/IconPicture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture of w x h pixels, each from `pixel(x, y)`.
template <typename Pixel> Bytes picture(int w, int h, Pixel pixel) {
    Bytes rgba;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Bytes p = pixel(x, y);
            rgba.insert(rgba.end(), p.begin(), p.end());
        }
    }
    return rgba;
}

Bytes scaled(const Bytes& rgba, int w, int h, int toW, int toH) {
    return ToSrgb(Resample(FromSrgb(rgba.data(), w, h), toW, toH));
}

} // namespace

// Every 8-bit value under alphas that keep it whole; the same size through
// the filter changes nothing.
TEST(IconPicture, ThePictureComesBackUnchanged) {
    const Bytes values = picture(16, 16, [](int x, int y) {
        const auto v = static_cast<std::uint8_t>(y * 16 + x);
        return Bytes{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7),
                     static_cast<std::uint8_t>(64 + (v * 13) % 192)};
    });
    EXPECT_EQ(ToSrgb(FromSrgb(values.data(), 16, 16)), values);
    EXPECT_EQ(scaled(values, 16, 16, 16, 16), values);
}

TEST(IconPicture, AFlatColourStaysFlatAtEverySize) {
    const std::tuple<int, int, int, int> sizes[] = {
        // from, to
        {128, 128, 48, 48},
        {128, 128, 256, 256},
        {7, 5, 3, 11},
        {1, 1, 4, 4},
    };
    for (const auto& [w, h, toW, toH] : sizes) {
        for (const Bytes& colour : {Bytes{30, 60, 200, 255}, Bytes{255, 255, 255, 128}}) {
            const auto flat = [&](int, int) { return colour; };
            EXPECT_EQ(scaled(picture(w, h, flat), w, h, toW, toH), picture(toW, toH, flat))
                << w << "x" << h << " to " << toW << "x" << toH;
        }
    }
}

// Half of the light is sRGB 188; averaging the stored values would give 128.
TEST(IconPicture, FineDetailIsAveragedInLinearLight) {
    const Bytes checks = picture(64, 64, [](int x, int y) {
        const std::uint8_t v = (x + y) % 2 == 0 ? 255 : 0;
        return Bytes{v, v, v, 255};
    });
    const Bytes half = scaled(checks, 64, 64, 32, 32);
    for (int y = 4; y < 28; ++y) {
        for (int x = 4; x < 28; ++x) {
            EXPECT_NEAR(half[(y * 32 + x) * 4], 188, 1) << x << "," << y;
        }
    }
}

// Transparent pixels may hold any colour; none of it may bleed into the
// visible ones, shrunk or enlarged. And shrinking keeps how much is covered.
TEST(IconPicture, TransparentPixelsLendNoColourAndCoverageIsKept) {
    const Bytes half = picture(16, 16, [](int x, int) {
        return x < 4 ? Bytes{0, 0, 255, 255} : Bytes{255, 255, 0, 0};
    });
    for (const int size : {5, 12, 40}) {
        const Bytes out = scaled(half, 16, 16, size, size);
        double covered = 0.0;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            if (out[i + 3] > 0) {
                EXPECT_EQ(Bytes(&out[i], &out[i + 3]), (Bytes{0, 0, 255})) << size;
            }
            covered += out[i + 3] / 255.0;
        }
        EXPECT_NEAR(covered / (size * size), 0.25, 0.01) << size;
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

    for (const int size : {48, 128, 256}) {
        const LinearPicture painted = PaintIcon(FromSrgb(flake.data(), 128, 128), size);
        ASSERT_EQ(std::make_pair(painted.width, painted.height), std::make_pair(size, size));
        const Bytes icon = ToSrgb(painted);
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
    }
}
