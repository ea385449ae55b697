#include "textures/TextureTable.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "textures/ImageDecoder.h"
#include "textures/Patterns.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int TextMapImage = 6;

// Which image goes to which slot, and the size the rest of the show assumes.
struct ImageUpload {
    int index;
    int slot;
    int size;
    bool mipmaps;
};
constexpr ImageUpload ImageUploads[] = {
    {0, 9, 128, false}, {1, 14, 256, false}, {2, 10, 128, true},
    {3, 11, 128, true}, {4, 12, 128, true},  {TextMapImage, 18, TextMapSize, false},
};

void bindForUpload(int slot) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void upload(int slot, int width, int height, const std::uint8_t* pixels, bool mipmaps = false) {
    bindForUpload(slot);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels);
    }
}

// A render target of side x side pixels, black beyond the bytes of `start`;
// the glow pass overwrites it before it first reads it.
void createTarget(int slot, int side, const std::uint8_t* start = nullptr,
                  std::size_t startBytes = 0) {
    std::vector<std::uint8_t> pixels(std::size_t(side) * side * 4, 0);
    std::copy_n(start, std::min(startBytes, pixels.size()), pixels.data());
    upload(slot, side, side, pixels.data());
}

} // namespace

void InitTextures() {
    glGenTextures(TextureCount, demo.TextureTable);

    Random::srand(demo.randomSeed);
    Random::rand();

    createTarget(0, demo.frameSize);
    createTarget(1, PatternSize);
    createTarget(2, demo.frameSize);

    GeneratePattern(0);
    upload(3, PatternSize, PatternSize, patternBuffer);
    DeriveBumpMap();
    upload(5, PatternSize, PatternSize, bumpBuffer);

    GeneratePattern(4);
    upload(4, PatternSize, PatternSize, patternBuffer);
    DeriveBumpMap();
    upload(6, PatternSize, PatternSize, bumpBuffer);

    createTarget(7, GlowSizeFor(demo.frameSize), patternBuffer, sizeof patternBuffer);

    static const float halfColour[3] = {0.5f, 0.5f, 0.5f};
    for (const ImageUpload& entry : ImageUploads) {
        const DecodedImage image = DecodeImage(entry.index, halfColour, 0.0f, 1.0f);
        UploadImage(image, entry.slot, entry.size, entry.mipmaps,
                    entry.index == TextMapImage ? demo.textMap : nullptr);
    }
}

void UploadImage(const DecodedImage& image, int slot, int size, bool mipmaps,
                 std::uint8_t* redChannel) {
    const std::uint8_t* pixels = image.pixels.get();
    std::vector<std::uint8_t> standIn;
    if (image.result != DecodeOk || pixels == nullptr || image.width != size ||
        image.height != size) {
        // A broken or mis-sized image shows as nothing rather than ending the show.
        standIn.assign(std::size_t(size) * size * 4, 0);
        pixels = standIn.data();
    }
    if (redChannel != nullptr) {
        for (int i = 0; i < size * size; ++i) {
            redChannel[i] = pixels[i * 4];
        }
    }
    upload(slot, size, size, pixels, mipmaps);
}
