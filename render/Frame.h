// The square frame: the default render state, the render targets copied from
// the frame's buffer, and the glow pass that ends every frame by putting the
// finished picture on the output. The shell's RenderFrame runs the scenes
// between BeginFrame and FinishFrame.
//
// The frame is demo.frameSize on a side (512 by default) and lies in the
// lower-left corner of the back buffer, or of demo.frameBuffer when the window
// is too small to hold it. Its targets are the slots FrameTarget and
// SceneTarget, which hold the frame, and GlowTarget, the glow image at a
// quarter of its side.
#pragma once

#include "textures/TextureSlot.h"

// The frame sizes a run may ask for: multiples of 128 from 256 to 4096.
constexpr int DefaultFrameSize = 512;
constexpr int MinFrameSize = 256;
constexpr int MaxFrameSize = 4096;
constexpr int FrameSizeStep = 128;

constexpr bool IsFrameSize(long long side) {
    return side >= MinFrameSize && side <= MaxFrameSize && side % FrameSizeStep == 0;
}

// Blur passes over the glow image.
constexpr int GlowPasses = 7;

// A rectangle of the output in pixels, from its lower-left corner.
struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Viewport&) const = default;
};

// Where the finished frame goes on a width x height output: all of it,
// stretched, or with keepAspect the largest centred square, the rest black.
Viewport OutputViewport(int width, int height, bool keepAspect);

// Viewport over the frame, 2D texturing and depth test (less-or-equal) on,
// culling, blending and lighting off, identity texture, projection and
// modelview matrices (modelview selected), white colour, texture environment
// modulate.
void ResetRenderState();

// Binds target `slot` (repeat, linear) and copies the lower-left w x h pixels
// of the frame's buffer into it.
void CopyToTarget(TextureSlot slot, int w, int h);

// The square (-1, -1)..(1, 1) in z = 0, textured once over its face.
void DrawUnitQuad();

// Binds target `slot` with the given wrap mode and linear filters and draws it
// as one quad over (-1, -1)..(1, 1).
void DrawTarget(TextureSlot slot, int wrap);

// Before the scenes: binds and clears demo.frameBuffer when the frame is
// drawn there.
void BeginFrame();

// After the scenes: the glow pass over the frame, then the finished frame on
// the demo.width x demo.height output of the back buffer. Without render
// targets (before the textures exist) the frame stays as the scenes left it.
void FinishFrame();
