#include "textures/TextureTable.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "textures/ImageDecoder.h"
#include "textures/Patterns.h"
#include "textures/TextureSlot.h"

#include <algorithm>
#include <vector>

namespace {

// The index of the text mask among the embedded images.
constexpr int TextMaskIndex = 6;

// Which image goes to which slot, and the size the rest of the show assumes.
struct ImageUpload {
    int index;
    TextureSlot slot;
    int size;
    bool mipmaps;
};
constexpr ImageUpload ImageUploads[] = {
    {0, PlanesImage, 128, false}, {1, PictureImage, 256, false},
    {2, FlakeImage8, 128, true},  {3, FlakeImage5, 128, true},
    {4, FlakeImage9b, 128, true}, {TextMaskIndex, TextMapImage, TextMapSize, false},
};

void upload(TextureSlot slot, int width, int height, const std::uint8_t* pixels,
            bool mipmaps = false) {
    BindTextureSlot(slot, GL_REPEAT);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels);
    }
}

// A render target of side x side pixels, black beyond the bytes of `start`;
// the glow pass overwrites it before it first reads it.
void createTarget(TextureSlot slot, int side, const std::uint8_t* start = nullptr,
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

    createTarget(FrameTarget, demo.frameSize);
    createTarget(SpareTarget, PatternSize);
    createTarget(SceneTarget, demo.frameSize);

    GeneratePattern(0);
    upload(PatternA, PatternSize, PatternSize, patternBuffer);
    DeriveBumpMap();
    upload(BumpMapA, PatternSize, PatternSize, bumpBuffer);

    GeneratePattern(4);
    upload(PatternB, PatternSize, PatternSize, patternBuffer);
    DeriveBumpMap();
    upload(BumpMapB, PatternSize, PatternSize, bumpBuffer);

    createTarget(GlowTarget, GlowSizeFor(demo.frameSize), patternBuffer, sizeof patternBuffer);

    static const float halfColour[3] = {0.5f, 0.5f, 0.5f};
    for (const ImageUpload& entry : ImageUploads) {
        const DecodedImage image = DecodeImage(entry.index, halfColour, 0.0f, 1.0f);
        UploadImage(image, entry.slot, entry.size, entry.mipmaps,
                    entry.index == TextMaskIndex ? demo.textMap : nullptr);
    }
}

void UploadImage(const DecodedImage& image, TextureSlot slot, int size, bool mipmaps,
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
