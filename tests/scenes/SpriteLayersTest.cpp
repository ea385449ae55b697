// Layer set-up: the seeded placement of both layers and the text targets.
#include "scenes/SpriteLayers.h"
#include "common/DemoState.h"
#include "scenes/Sprite.h"
#include "textures/ImageDecoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// A separate copy of the shared generator's rule, so the expected layers do
// not come from the code under test.
struct Lcg {
    std::uint32_t state;
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
    double unit() { return next() / 32767.0; }
};

const double Tint[3][3] = {
    {0.8784, 0.8706, 0.9137}, {0.8667, 0.8627, 0.898}, {0.8235, 0.8157, 0.8588}};

struct Expected {
    double color[3];
    double position[3];
    double half;
    double spin;
};

Expected NextSnow(Lcg& g, int i) {
    const double shade[3] = {0.7, 0.9, 0.6};
    Expected e{};
    const double grey = (g.next() * 0.2 / 32767.0 + 0.3) * shade[i % 3];
    e.color[0] = e.color[1] = e.color[2] = grey;
    for (double& p : e.position) {
        p = (g.unit() - 0.5) * 20.0;
    }
    e.half = g.unit() * 0.2 + 0.05;
    e.spin = g.unit() * 180.0;
    return e;
}

Expected NextText(Lcg& g, int i) {
    Expected e{};
    const double c = g.next() * 0.5 / 32767.0 + 0.5;
    for (int k = 0; k < 3; ++k) {
        e.color[k] = c * Tint[i % 3][k];
    }
    e.position[0] = (g.unit() - 0.5) * 30.0 - 4.0;
    e.position[1] = (g.unit() - 0.5) * 40.0 + 10.0;
    e.position[2] = (g.unit() - 0.5) * 30.0 - 10.0;
    e.half = g.unit() * 0.2 + 0.05;
    e.spin = g.unit() * 90.0;
    return e;
}

void ExpectSprite(const Sprite& s, const Expected& e, int i) {
    SCOPED_TRACE(i);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(s.color[k], e.color[k], 1e-5);
        EXPECT_NEAR(s.position[k], e.position[k], 1e-4);
    }
    EXPECT_EQ(s.color[3], 1.0f);
    EXPECT_NEAR(s.halfSize[0], e.half, 1e-6);
    EXPECT_NEAR(s.halfSize[1], e.half, 1e-6);
    EXPECT_NEAR(s.spin, e.spin, 1e-3);
}

class SpriteLayers : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(demo.textMap, 0, sizeof demo.textMap);
        for (int slot = 0; slot < TextureCount; ++slot) {
            demo.TextureTable[slot] = 100 + slot;
        }
    }
    void TearDown() override {
        FreeSpriteLayers();
        // The show leaves the text layer to the process end; a test cleans up.
        for (Sprite*& sprite : demo.textLayer) {
            if (sprite != nullptr) {
                sprite->Destroy();
                delete sprite;
                sprite = nullptr;
            }
        }
    }
    static void Light(int row, int column, std::uint8_t value) {
        demo.textMap[row * TextMapSize + column] = value;
    }
};

TEST_F(SpriteLayers, SnowIsPlacedFromSeed1234InDrawOrder) {
    InitSpriteLayers();
    Lcg g{1234};
    for (int i = 0; i < LayerSize; ++i) {
        const Expected e = NextSnow(g, i);
        if (i < 8 || i % 997 == 0 || i == LayerSize - 1) {
            ExpectSprite(*demo.snowLayer[i], e, i);
        }
    }
    // Every snowflake sits in the cube of side 20 with its grey and size ranges.
    for (const Sprite* s : demo.snowLayer) {
        for (float p : s->position) {
            ASSERT_GE(p, -10.0f);
            ASSERT_LE(p, 10.0f);
        }
        ASSERT_GE(s->color[0], 0.18f - 1e-6f);
        ASSERT_LE(s->color[0], 0.45f + 1e-6f);
        ASSERT_GE(s->halfSize[0], 0.05f);
        ASSERT_LE(s->halfSize[0], 0.25f + 1e-6f);
    }
}

TEST_F(SpriteLayers, TextLayerRestartsFromSeed1234WithItsOwnRanges) {
    InitSpriteLayers(); // empty map: no text sprites, all keep the random set-up
    EXPECT_EQ(demo.textTargetCount, 0);
    Lcg g{1234};
    for (int i = 0; i < LayerSize; ++i) {
        const Expected e = NextText(g, i);
        if (i < 8 || i % 1009 == 0 || i == LayerSize - 1) {
            ExpectSprite(*demo.textLayer[i], e, i);
        }
    }
    for (const Sprite* s : demo.textLayer) {
        ASSERT_GE(s->position[0], -19.0f);
        ASSERT_LE(s->position[0], 11.0f);
        ASSERT_GE(s->position[1], -10.0f);
        ASSERT_LE(s->position[1], 30.0f);
        ASSERT_GE(s->position[2], -25.0f);
        ASSERT_LE(s->position[2], 5.0f);
        ASSERT_LE(s->spin, 90.0f);
    }
}

TEST_F(SpriteLayers, HeadsOwnTheMatricesAndTexturesCycleThroughTheFlakeSlots) {
    InitSpriteLayers();
    for (Sprite** layer : {demo.snowLayer, demo.textLayer}) {
        EXPECT_NE(layer[0]->billboardMatrix, nullptr);
        EXPECT_NE(layer[0]->modelviewMatrix, nullptr);
        for (int i = 0; i < LayerSize; ++i) {
            const Sprite& s = *layer[i];
            ASSERT_EQ(s.texture, 110u + i % 3) << i;
            ASSERT_EQ(s.blendMode, 0);
            ASSERT_EQ(s.cluster, 0);
            ASSERT_EQ(s.lowAlphaCut, 0);
            ASSERT_EQ(s.clusterSpacing, 0.0f);
            if (i > 0) {
                ASSERT_EQ(s.billboardMatrix, nullptr);
                ASSERT_EQ(s.modelviewMatrix, nullptr);
            }
        }
    }
}

TEST_F(SpriteLayers, LitCellsBecomeTargetsRowByRowFromTheTop) {
    Light(0, 0, 255);   // first stored row: the top of the picture
    Light(0, 64, 128);  // same row, further right
    Light(127, 127, 1); // last row, last column: the faintest possible cell
    InitSpriteLayers();
    ASSERT_EQ(demo.textTargetCount, 3);

    const float* t = demo.textTargets;
    EXPECT_FLOAT_EQ(t[0], -2.125f); // (0 - 0.5) * 3.75 - 0.25
    EXPECT_FLOAT_EQ(t[1], 3.5f);    // (128/128 - 0.5) * 6 + 0.5
    EXPECT_FLOAT_EQ(t[2], -1.0f);
    EXPECT_FLOAT_EQ(t[3], -0.25f); // column 64 is the middle
    EXPECT_FLOAT_EQ(t[4], 3.5f);
    EXPECT_NEAR(t[6], (127.0 / 128 - 0.5) * 3.75 - 0.25, 1e-6);
    EXPECT_NEAR(t[7], (1.0 / 128 - 0.5) * 6 + 0.5, 1e-6); // bottom row, n = 1
    EXPECT_FLOAT_EQ(t[8], -1.0f);

    // A full cell is over-bright: c = 1.5^1.5.
    const double full = std::pow(1.5, 1.5);
    EXPECT_NEAR(full, 1.837, 1e-3);
    EXPECT_NEAR(demo.textSizes[0], 0.0275 * full, 1e-6);
    EXPECT_NEAR(demo.textSizes[0], 0.0505, 1e-4);
    EXPECT_NEAR(demo.textSizes[1], 0.0275 * std::pow(1.5 * 128 / 255, 1.5), 1e-6);
    EXPECT_NEAR(demo.textSizes[2], 0.0000124, 1e-7);

    for (int k = 0; k < 3; ++k) {
        const Sprite& s = *demo.textLayer[k];
        const double c = std::pow(1.5 *
                                      demo.textMap[k == 0   ? 0
                                                   : k == 1 ? 64
                                                            : 16383] /
                                      255.0,
                                  1.5);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_NEAR(s.color[channel], 1.5 * c * Tint[k % 3][channel], 1e-5);
        }
        EXPECT_EQ(s.color[3], 1.0f);
        EXPECT_FLOAT_EQ(s.halfSize[0], demo.textSizes[k]);
        EXPECT_FLOAT_EQ(s.halfSize[1], demo.textSizes[k]);
    }
    EXPECT_NEAR(demo.textLayer[0]->color[0], 2.76 * Tint[0][0], 0.01);

    // The fourth sprite is no text sprite: it keeps its random colour and size.
    Lcg g{1234};
    Expected e{};
    for (int i = 0; i <= 3; ++i) {
        e = NextText(g, i);
    }
    ExpectSprite(*demo.textLayer[3], e, 3);
}

TEST_F(SpriteLayers, ShippedMapMakesTheFirst4946SpritesThePicture) {
    // The text map as the show decodes it: a palette image, taken as it is.
    const float half[3] = {0.5f, 0.5f, 0.5f};
    const DecodedImage map = DecodeImage(6, half, 0.0f, 1.0f);
    ASSERT_EQ(map.result, DecodeOk);
    ASSERT_EQ(map.width, TextMapSize);
    ASSERT_EQ(map.height, TextMapSize);
    for (int cell = 0; cell < TextMapSize * TextMapSize; ++cell) {
        demo.textMap[cell] = map.pixels[cell * 4];
    }
    InitSpriteLayers();
    ASSERT_EQ(demo.textTargetCount, 4946);

    // Every target lies on the picture's plane, inside its 3.75 x 6 frame.
    for (int k = 0; k < demo.textTargetCount; ++k) {
        const float* t = demo.textTargets + 3 * k;
        ASSERT_GE(t[0], -2.125f) << k;
        ASSERT_LE(t[0], 1.625f) << k;
        ASSERT_GT(t[1], -2.5f) << k;
        ASSERT_LE(t[1], 3.5f) << k;
        ASSERT_EQ(t[2], -1.0f) << k;
        ASSERT_GT(demo.textSizes[k], 0.0f) << k;
        ASSERT_LT(demo.textSizes[k], 0.0506f) << k;
        ASSERT_EQ(demo.textLayer[k]->halfSize[0], demo.textSizes[k]) << k;
    }
    // Targets run row by row from the top: y never rises along the list.
    for (int k = 1; k < demo.textTargetCount; ++k) {
        ASSERT_LE(demo.textTargets[3 * k + 1], demo.textTargets[3 * k - 2]) << k;
    }

    // The first sprite after the picture keeps its random colour and size.
    Lcg g{1234};
    Expected e{};
    for (int i = 0; i <= 4946; ++i) {
        e = NextText(g, i);
    }
    ExpectSprite(*demo.textLayer[4946], e, 4946);
}

TEST_F(SpriteLayers, TextSpritesKeepTheirRandomPositions) {
    Light(10, 10, 200);
    InitSpriteLayers();
    Lcg g{1234};
    const Expected e = NextText(g, 0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(demo.textLayer[0]->position[k], e.position[k], 1e-4);
    }
    EXPECT_NEAR(demo.textLayer[0]->spin, e.spin, 1e-3);
}

TEST_F(SpriteLayers, AFullMapIsCutAtTheLayersSprites) {
    std::memset(demo.textMap, 255, sizeof demo.textMap);
    InitSpriteLayers();
    EXPECT_EQ(demo.textTargetCount, LayerSize);
    // The last target is the last cell that still has a sprite: 10000 = 78 rows
    // of 128 plus 16 cells, so it is row 78, column 15.
    const float* last = demo.textTargets + 3 * (LayerSize - 1);
    EXPECT_NEAR(last[0], (15.0 / 128 - 0.5) * 3.75 - 0.25, 1e-6);
    EXPECT_NEAR(last[1], ((128.0 - 78) / 128 - 0.5) * 6 + 0.5, 1e-6);
    EXPECT_NEAR(demo.textLayer[LayerSize - 1]->halfSize[0], 0.0275 * std::pow(1.5, 1.5), 1e-6);
    EXPECT_EQ(demo.snowLayer[0]->texture, 110u); // neighbouring fields untouched
}

TEST_F(SpriteLayers, FreeingReleasesSnowAndTargetsAndSkipsEmptySlots) {
    InitSpriteLayers();
    Sprite* lone = demo.snowLayer[5];
    demo.snowLayer[5] = nullptr;
    FreeSpriteLayers();
    delete lone;
    for (const Sprite* s : demo.snowLayer) {
        ASSERT_EQ(s, nullptr);
    }
    EXPECT_EQ(demo.textTargets, nullptr);
    EXPECT_EQ(demo.textSizes, nullptr);
    EXPECT_NE(demo.textLayer[0], nullptr); // left to the process end
}

} // namespace
