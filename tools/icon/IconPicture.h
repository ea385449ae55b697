// The program's icon, painted from one of the show's flake images: the flake,
// scaled, over a disc of the blobs' deep blue, so that the pale flake reads on
// light panels as well as dark ones.
//
// Pictures are held in linear light with premultiplied alpha while they are
// scaled and laid over each other: averaging sRGB values darkens fine detail,
// and colours that are not premultiplied bleed from transparent pixels.
#pragma once

#include <cstdint>
#include <vector>

struct LinearPicture {
    int width = 0;
    int height = 0;
    std::vector<float> pixels; // red, green, blue premultiplied by alpha, and alpha; top row first
};

// 8-bit sRGB RGBA, not premultiplied, to a linear picture and back. Going back
// rounds to the nearest 8-bit value.
LinearPicture FromSrgb(const std::uint8_t* rgba, int width, int height);
std::vector<std::uint8_t> ToSrgb(const LinearPicture& picture);

// The picture scaled to width x height with a Catmull-Rom filter, widened when
// shrinking so that every source pixel counts; edges repeat the outermost
// pixels. The same size gives the picture back unchanged.
LinearPicture Resample(const LinearPicture& picture, int width, int height);

// The icon at size x size: the disc fills all but a thin margin, the flake is
// scaled to lie within it, and the corners stay transparent.
LinearPicture PaintIcon(const LinearPicture& flake, int size);
