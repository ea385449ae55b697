#include "tools/icon/IconPicture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The disc's radius and the flake's inset on every side, as shares of the
// icon's size. The flake's slanted arms reach 0.55 of its side from its
// centre, glow included, so they end inside the disc.
constexpr double DiscRadius = 0.47;
constexpr double FlakeInset = 0.1;

// The blobs' blue, lighter at the disc's centre than at its rim (sRGB).
constexpr std::uint8_t DiscCentre[3] = {60, 72, 150};
constexpr std::uint8_t DiscRim[3] = {18, 22, 58};

float decode(std::uint8_t value) {
    const float v = static_cast<float>(value) / 255.0f;
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

std::uint8_t encode(float linear) {
    const float l = std::clamp(linear, 0.0f, 1.0f);
    const float v = l <= 0.0031308f ? l * 12.92f : 1.055f * std::pow(l, 1.0f / 2.4f) - 0.055f;
    return static_cast<std::uint8_t>(std::lround(v * 255.0f));
}

// Interpolating (1 at 0, 0 at every other whole number) and sharp, with small
// negative lobes.
float catmullRom(float x) {
    x = std::fabs(x);
    if (x < 1.0f) {
        return (1.5f * x - 2.5f) * x * x + 1.0f;
    }
    if (x < 2.0f) {
        return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
    }
    return 0.0f;
}

struct Tap {
    int source;
    float weight;
};

// For each of `to` positions along an axis of `from` pixels, the source
// pixels it reads and their weights, which add up to one.
std::vector<std::vector<Tap>> axisTaps(int from, int to) {
    const double scale = static_cast<double>(to) / from;
    const double stretch = std::min(scale, 1.0);
    const double reach = 2.0 / stretch;
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    for (int o = 0; o < to; ++o) {
        const double centre = (o + 0.5) / scale;
        std::vector<Tap>& list = taps[static_cast<std::size_t>(o)];
        float sum = 0.0f;
        for (int i = static_cast<int>(std::floor(centre - reach));
             i <= static_cast<int>(std::ceil(centre + reach)); ++i) {
            const float weight = catmullRom(static_cast<float>((i + 0.5 - centre) * stretch));
            if (weight == 0.0f) {
                continue;
            }
            const int source = std::clamp(i, 0, from - 1);
            if (!list.empty() && list.back().source == source) {
                list.back().weight += weight;
            } else {
                list.push_back({source, weight});
            }
            sum += weight;
        }
        for (Tap& tap : list) {
            tap.weight /= sum;
        }
    }
    return taps;
}

float* pixelAt(LinearPicture& picture, int x, int y) {
    return &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4];
}

const float* pixelAt(const LinearPicture& picture, int x, int y) {
    return &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4];
}

LinearPicture blank(int width, int height) {
    LinearPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0.0f);
    return picture;
}

} // namespace

LinearPicture FromSrgb(const std::uint8_t* rgba, int width, int height) {
    LinearPicture picture = blank(width, height);
    for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
        const float alpha = static_cast<float>(rgba[i + 3]) / 255.0f;
        for (std::size_t c = 0; c < 3; ++c) {
            picture.pixels[i + c] = decode(rgba[i + c]) * alpha;
        }
        picture.pixels[i + 3] = alpha;
    }
    return picture;
}

std::vector<std::uint8_t> ToSrgb(const LinearPicture& picture) {
    std::vector<std::uint8_t> rgba(picture.pixels.size(), 0);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const float alpha = picture.pixels[i + 3];
        if (alpha <= 0.0f) {
            continue;
        }
        for (std::size_t c = 0; c < 3; ++c) {
            rgba[i + c] = encode(picture.pixels[i + c] / alpha);
        }
        rgba[i + 3] = static_cast<std::uint8_t>(std::lround(std::min(alpha, 1.0f) * 255.0f));
    }
    return rgba;
}

LinearPicture Resample(const LinearPicture& picture, int width, int height) {
    const std::vector<std::vector<Tap>> across = axisTaps(picture.width, width);
    const std::vector<std::vector<Tap>> down = axisTaps(picture.height, height);

    LinearPicture wide = blank(width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < width; ++x) {
            float* out = pixelAt(wide, x, y);
            for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
                const float* in = pixelAt(picture, tap.source, y);
                for (int c = 0; c < 4; ++c) {
                    out[c] += tap.weight * in[c];
                }
            }
        }
    }
    LinearPicture scaled = blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float* out = pixelAt(scaled, x, y);
            for (const Tap& tap : down[static_cast<std::size_t>(y)]) {
                const float* in = pixelAt(wide, x, tap.source);
                for (int c = 0; c < 4; ++c) {
                    out[c] += tap.weight * in[c];
                }
            }
            // The negative lobes may overshoot; a pixel stays a possible one.
            out[3] = std::clamp(out[3], 0.0f, 1.0f);
            for (int c = 0; c < 3; ++c) {
                out[c] = std::clamp(out[c], 0.0f, out[3]);
            }
        }
    }
    return scaled;
}

LinearPicture PaintIcon(const LinearPicture& flake, int size) {
    LinearPicture icon = blank(size, size);
    const double middle = size / 2.0;
    const double radius = DiscRadius * size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double distance = std::hypot(x + 0.5 - middle, y + 0.5 - middle);
            // The share of the pixel inside the disc, for a smooth rim.
            const auto cover = static_cast<float>(std::clamp(radius - distance + 0.5, 0.0, 1.0));
            const auto rim = static_cast<float>(std::min(distance / radius, 1.0));
            float* out = pixelAt(icon, x, y);
            for (int c = 0; c < 3; ++c) {
                const float centre = decode(DiscCentre[c]);
                out[c] = cover * (centre + (decode(DiscRim[c]) - centre) * rim * rim);
            }
            out[3] = cover;
        }
    }

    // The flake's longer side fills the square inside the inset.
    const int side = size - 2 * static_cast<int>(std::lround(FlakeInset * size));
    const int longer = std::max(flake.width, flake.height);
    const LinearPicture scaled = Resample(flake, std::max(1, side * flake.width / longer),
                                          std::max(1, side * flake.height / longer));
    const int left = (size - scaled.width) / 2;
    const int top = (size - scaled.height) / 2;
    for (int y = 0; y < scaled.height; ++y) {
        for (int x = 0; x < scaled.width; ++x) {
            const float* over = pixelAt(scaled, x, y);
            float* out = pixelAt(icon, left + x, top + y);
            for (int c = 0; c < 4; ++c) {
                out[c] = over[c] + out[c] * (1.0f - over[3]);
            }
        }
    }
    return icon;
}
