// PNG decoding from memory into RGBA bytes with a small colour adjustment.
// libpng reads the file through ReadImageBytes; the rows it returns are then
// converted here, so this group needs no GL and runs without a context.
#pragma once

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// Result codes of DecodeImage.
constexpr int DecodeOk = 0;
constexpr int DecodeBadSignature = 5; // the first 8 bytes are not a PNG signature
constexpr int DecodeNoStructures = 6; // the libpng structures cannot be created
constexpr int DecodeCorrupt = 7;      // libpng reported an error: corrupt, truncated, oversized
constexpr int DecodeUnsupported = 8;  // not 8-bit RGB, RGBA or 8-bit palette

// Images beyond this width or height are refused as corrupt.
constexpr int MaxImageSide = 4096;

struct DecodedImage {
    int result = DecodeBadSignature;
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint8_t[]> pixels; // width x height RGBA, top row first; null on failure
};

// Decodes entry `index` of ImageTable. RGB and RGBA colours become
// c x colorScale + 255 x lift; palette colours are taken as they are. Each
// channel is then pulled toward the pixel's luminance by 1 - saturation.
DecodedImage DecodeImage(int index, const float colorScale[3], float lift, float saturation);

// The same for PNG bytes that are not in the table.
DecodedImage DecodeImageBytes(const std::uint8_t* bytes, std::size_t length,
                              const float colorScale[3], float lift, float saturation);

// libpng's read callback: copies the next `length` bytes of the image being
// decoded. Raises a libpng error when the image ends before the request does.
void ReadImageBytes(png_structp decoder, png_bytep destination, png_size_t length);
