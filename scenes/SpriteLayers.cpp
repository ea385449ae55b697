#include "scenes/SpriteLayers.h"

#include "common/DemoState.h"
#include "common/Random.h"
#include "scenes/SceneFrame.h"
#include "scenes/Sprite.h"
#include "textures/TextureSlot.h"

namespace {

// The flakes' slightly blue greys, one per flake image.
const float TextTint[3][3] = {
    {0.8784f, 0.8706f, 0.9137f},
    {0.8667f, 0.8627f, 0.898f},
    {0.8235f, 0.8157f, 0.8588f},
};

Sprite* NewSprite(int i) {
    Sprite* sprite = new Sprite;
    sprite->Init(i == 0);
    sprite->texture = demo.TextureTable[FlakeSlot(i)];
    return sprite;
}

void InitSnowLayer() {
    static const float shade[3] = {0.7f, 0.9f, 0.6f};
    Random::srand(1234);
    for (int i = 0; i < LayerSize; ++i) {
        Sprite* sprite = NewSprite(i);
        const float grey =
            (static_cast<float>(Random::rand()) * 0.2f / 32767.0f + 0.3f) * shade[i % 3];
        sprite->color[0] = grey;
        sprite->color[1] = grey;
        sprite->color[2] = grey;
        sprite->position[0] = (R() - 0.5f) * 2.0f * 10.0f;
        sprite->position[1] = (R() - 0.5f) * 2.0f * 10.0f;
        sprite->position[2] = (R() - 0.5f) * 2.0f * 10.0f;
        const float half = R() * 0.2f + 0.05f;
        sprite->halfSize[0] = half;
        sprite->halfSize[1] = half;
        sprite->spin = R() * 180.0f;
        demo.snowLayer[i] = sprite;
    }
}

void InitTextLayer() {
    Random::srand(1234);
    for (int i = 0; i < LayerSize; ++i) {
        Sprite* sprite = NewSprite(i);
        const float c = static_cast<float>(Random::rand()) * 0.5f / 32767.0f + 0.5f;
        for (int channel = 0; channel < 3; ++channel) {
            sprite->color[channel] = c * TextTint[i % 3][channel];
        }
        sprite->position[0] = (R() - 0.5f) * 2.0f * 15.0f - 4.0f;
        sprite->position[1] = (R() - 0.5f) * 2.0f * 20.0f + 10.0f;
        sprite->position[2] = (R() - 0.5f) * 2.0f * 15.0f - 10.0f;
        const float half = R() * 0.2f + 0.05f;
        sprite->halfSize[0] = half;
        sprite->halfSize[1] = half;
        sprite->spin = R() * 90.0f;
        demo.textLayer[i] = sprite;
    }
}

// One target per lit map cell, the first stored row at the top. Cells beyond
// the layer's sprites have no sprite to fly there and are ignored.
void InitTextTargets() {
    demo.textTargets = new float[MaxTextTargets * 3];
    demo.textSizes = new float[MaxTextTargets];
    demo.textTargetCount = 0;
    for (int row = 0; row < TextMapSize; ++row) {
        const int n = TextMapSize - row;
        for (int j = 0; j < TextMapSize; ++j) {
            const int m = demo.textMap[row * TextMapSize + j];
            if (m == 0 || demo.textTargetCount >= LayerSize) {
                continue;
            }
            const int k = demo.textTargetCount;
            float* target = demo.textTargets + 3 * k;
            target[0] = (static_cast<float>(j) / 128.0f - 0.5f) * 3.75f - 0.25f;
            target[1] = (static_cast<float>(n) / 128.0f - 0.5f) * 6.0f + 0.5f;
            target[2] = -1.0f;
            const float c = Pow(1.5f * static_cast<float>(m) / 255.0f, 1.5f);
            demo.textSizes[k] = 0.0275f * c;
            for (int channel = 0; channel < 3; ++channel) {
                demo.textLayer[k]->color[channel] = 1.5f * c * TextTint[k % 3][channel];
            }
            demo.textTargetCount = k + 1;
        }
    }
    for (int k = 0; k < demo.textTargetCount; ++k) {
        demo.textLayer[k]->halfSize[0] = demo.textSizes[k];
        demo.textLayer[k]->halfSize[1] = demo.textSizes[k];
    }
}

void FreeLayer(Sprite** layer) {
    for (int i = 0; i < LayerSize; ++i) {
        if (layer[i] != nullptr) {
            layer[i]->Destroy();
            delete layer[i];
            layer[i] = nullptr;
        }
    }
}

void FreeTextTargets() {
    delete[] demo.textTargets;
    demo.textTargets = nullptr;
    delete[] demo.textSizes;
    demo.textSizes = nullptr;
}

} // namespace

void InitSpriteLayers() {
    InitSnowLayer();
    InitTextLayer();
    InitTextTargets();
}

void RebuildSpriteLayers() {
    FreeLayer(demo.snowLayer);
    FreeLayer(demo.textLayer);
    FreeTextTargets();
    InitSpriteLayers();
}

void FreeSpriteLayers() {
    FreeLayer(demo.snowLayer);
    FreeTextTargets();
}
