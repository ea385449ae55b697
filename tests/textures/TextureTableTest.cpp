// The texture table after start-up, read back from GL: every slot's size and
// set-up, the pattern slots against the seed, the images and the text map.
#include "textures/TextureTable.h"
#include "common/DemoState.h"
#include "common/Random.h"
#include "platform/GL.h"
#include "textures/ImageDecoder.h"
#include "textures/Patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t Seed = 4242;
const float ShowScale[3] = {0.5f, 0.5f, 0.5f};

const PIXELFORMATDESCRIPTOR format = {sizeof(PIXELFORMATDESCRIPTOR),
                                      1,
                                      PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
                                      PFD_TYPE_RGBA,
                                      32,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      16,
                                      0,
                                      0,
                                      PFD_MAIN_PLANE,
                                      0,
                                      0,
                                      0,
                                      0};

LRESULT CALLBACK contextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        HDC dc = GetDC(window);
        const int chosen = ChoosePixelFormat(dc, &format);
        if (chosen != 0 && SetPixelFormat(dc, chosen, &format)) {
            HGLRC context = wglCreateContext(dc);
            if (context != nullptr) {
                wglMakeCurrent(dc, context);
            }
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Level {
    int width, height;
};

Level levelSize(int slot, int level) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    GLint width = -1, height = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    return {width, height};
}

GLint parameter(int slot, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, demo.TextureTable[slot]);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

Bytes contents(int slot) {
    const Level size = levelSize(slot, 0);
    Bytes pixels(std::size_t(size.width) * size.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Bytes buffer(const std::uint8_t* start, std::size_t length) {
    return Bytes(start, start + length);
}

class TextureTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA windowClass{};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = contextProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TextureTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(WS_EX_APPWINDOW, "TextureTest", "textures", WS_POPUP, 0, 0, 64, 64,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        demo.randomSeed = Seed;
        InitTextures();
    }

    void SetUp() override { ASSERT_NE(window, nullptr); }

    static HWND window;
};
HWND TextureTable::window = nullptr;

} // namespace

TEST_F(TextureTable, EverySlotHoldsItsListedSizeWithRepeatAndLinearFiltering) {
    // 0 marks the slots that exist but hold no image.
    const int sizes[TextureCount] = {512, 512, 512, 512, 512, 512, 512, 128, 0,  128,
                                     128, 128, 128, 0,   256, 0,   0,   0,   128};
    const std::set<unsigned int> names(demo.TextureTable, demo.TextureTable + TextureCount);
    EXPECT_EQ(names.size(), std::size_t(TextureCount));
    EXPECT_EQ(names.count(0u), 0u);

    for (int slot = 0; slot < TextureCount; ++slot) {
        const Level level = levelSize(slot, 0);
        EXPECT_EQ(level.width, sizes[slot]) << "slot " << slot;
        EXPECT_EQ(level.height, sizes[slot]) << "slot " << slot;
        if (sizes[slot] != 0) {
            EXPECT_EQ(parameter(slot, GL_TEXTURE_WRAP_S), GL_REPEAT) << "slot " << slot;
            EXPECT_EQ(parameter(slot, GL_TEXTURE_WRAP_T), GL_REPEAT) << "slot " << slot;
            EXPECT_EQ(parameter(slot, GL_TEXTURE_MIN_FILTER), GL_LINEAR) << "slot " << slot;
            EXPECT_EQ(parameter(slot, GL_TEXTURE_MAG_FILTER), GL_LINEAR) << "slot " << slot;
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTable, OnlyTheFlakeSlotsCarryMipmaps) {
    for (int slot : {10, 11, 12}) {
        EXPECT_EQ(levelSize(slot, 1).width, 64) << "slot " << slot;
        EXPECT_EQ(levelSize(slot, 7).width, 1) << "slot " << slot;
        EXPECT_EQ(levelSize(slot, 7).height, 1) << "slot " << slot;
    }
    for (int slot : {3, 9, 14, 18}) {
        EXPECT_EQ(levelSize(slot, 1).width, 0) << "slot " << slot;
    }
}

TEST_F(TextureTable, RenderTargetsStartBlack) {
    for (int slot : {0, 1, 2}) {
        const Bytes pixels = contents(slot);
        EXPECT_TRUE(
            std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0; }))
            << "slot " << slot;
    }
}

TEST_F(TextureTable, PatternSlotsFollowTheSeedAfterOneDiscardedDraw) {
    // The buffers keep pattern B and its bump map.
    EXPECT_EQ(contents(4), buffer(patternBuffer, PatternBytes));
    EXPECT_EQ(contents(6), buffer(bumpBuffer, PatternBytes));
    EXPECT_EQ(contents(7), buffer(patternBuffer, 128 * 128 * 4));

    Random::srand(Seed);
    Random::rand();
    GeneratePattern(0);
    EXPECT_EQ(contents(3), buffer(patternBuffer, PatternBytes));
    DeriveBumpMap();
    EXPECT_EQ(contents(5), buffer(bumpBuffer, PatternBytes));
    GeneratePattern(4);
    EXPECT_EQ(contents(4), buffer(patternBuffer, PatternBytes));
}

TEST_F(TextureTable, ImageSlotsHoldTheAdjustedDecodedImages) {
    const int slotOfImage[] = {9, 14, 10, 11, 12, -1, 18};
    for (int index = 0; index < 7; ++index) {
        if (slotOfImage[index] < 0) {
            continue;
        }
        const DecodedImage image = DecodeImage(index, ShowScale, 0.0f, 1.0f);
        ASSERT_EQ(image.result, DecodeOk) << "image " << index;
        EXPECT_EQ(contents(slotOfImage[index]),
                  buffer(image.pixels.get(), std::size_t(image.width) * image.height * 4))
            << "image " << index;
    }
}

TEST_F(TextureTable, TextMapIsTheRedChannelOfSlot18RowZeroFirst) {
    const Bytes pixels = contents(18);
    ASSERT_EQ(pixels.size(), std::size_t(TextMapSize * TextMapSize * 4));
    int lit = 0;
    for (int i = 0; i < TextMapSize * TextMapSize; ++i) {
        ASSERT_EQ(demo.textMap[i], pixels[i * 4]) << "cell " << i;
        lit += demo.textMap[i] != 0;
    }
    EXPECT_EQ(lit, 4946);
}

TEST_F(TextureTable, AFailedImageLeavesTransparentBlackOfTheSlotsSize) {
    std::vector<std::uint8_t> red(128 * 128, 0xAB);
    DecodedImage failed;
    failed.result = DecodeCorrupt;
    UploadImage(failed, TextMapImage, 128, false, red.data());
    EXPECT_EQ(levelSize(18, 0).width, 128);
    EXPECT_EQ(levelSize(18, 0).height, 128);
    Bytes pixels = contents(18);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(red.begin(), red.end(), [](std::uint8_t b) { return b == 0; }));

    // A decodable image of the wrong size does not reach a slot either.
    DecodedImage small;
    small.result = DecodeOk;
    small.width = 4;
    small.height = 4;
    small.pixels.reset(new std::uint8_t[4 * 4 * 4]);
    std::fill(small.pixels.get(), small.pixels.get() + 64, 200);
    UploadImage(small, FlakeImage8, 128, true);
    EXPECT_EQ(levelSize(10, 0).width, 128);
    EXPECT_EQ(levelSize(10, 7).width, 1);
    pixels = contents(10);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0; }));
}
