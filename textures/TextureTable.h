// Start-up creation of every texture of the show: the 19 names of
// demo.TextureTable, the black render targets, the two patterns with their
// bump maps and the decoded images, plus demo.textMap from the text mask.
#pragma once

#include "textures/ImageDecoder.h"
#include "textures/TextureSlot.h"

#include <cstdint>

// Needs a current GL context. Seeds the shared random generator from
// demo.randomSeed.
void InitTextures();

// Uploads a decoded image to `slot` as size x size RGBA, with mipmaps if asked.
// An image that failed or has another size is replaced by transparent black,
// so the show still runs. With `redChannel`, the red byte of every uploaded
// pixel is copied there too, in pixel order (size x size bytes).
void UploadImage(const DecodedImage& image, TextureSlot slot, int size, bool mipmaps,
                 std::uint8_t* redChannel = nullptr);
