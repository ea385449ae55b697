// The slots of demo.TextureTable: what each one holds, and binding one for
// drawing with its sampling. Every part of the show names a texture by its
// slot here.
#pragma once

#include "common/DemoState.h"

enum TextureSlot : int {
    FrameTarget = 0,   // the finished frame, put on the output
    SpareTarget = 1,   // black; nothing reads it
    SceneTarget = 2,   // the scenes' picture, the glow's source
    PatternA = 3,      // grey noise: colour and height of the blobs
    PatternB = 4,      // grey hatching with a little noise
    BumpMapA = 5,      // slopes and height of pattern A
    BumpMapB = 6,      // slopes and height of pattern B
    GlowTarget = 7,    // the glow image, a quarter of the frame's side
                       // 8: no image
    PlanesImage = 9,   // "lumimatto.png", the blob scenes' background planes
    FlakeImage8 = 10,  // "flake8.png"
    FlakeImage5 = 11,  // "flake5.png"
    FlakeImage9b = 12, // "flake9b.png"
                       // 13: no image
    PictureImage = 14, // "taustakuva.png", behind the gathering picture
                       // 15 to 17: no image
    TextMapImage = 18, // "teksts_hiutalemap3.png", whose red channel is demo.textMap
};
constexpr int TextureSlotCount = 19;
static_assert(TextureSlotCount == TextureCount, "demo.TextureTable holds every slot");

// The flake image of sprite i: the three take turns.
constexpr TextureSlot FlakeSlot(int i) {
    return static_cast<TextureSlot>(FlakeImage8 + i % 3);
}

// Binds the slot's texture on the active unit, wrapping by `wrap` (GL_REPEAT
// or GL_CLAMP) in s and t, with linear minification and magnification.
void BindTextureSlot(TextureSlot slot, int wrap);
