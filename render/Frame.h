// The 512 x 512 frame: the default render state, the render targets copied
// from the back buffer, and the glow pass that ends every frame by stretching
// the finished picture over the output.
//
// Targets are TextureTable slots: 0 and 2 are 512 x 512, 7 is 128 x 128.
#pragma once

// Side of the square frame every scene draws into, in pixels.
constexpr int FrameSize = 512;
// Side of the glow image.
constexpr int GlowSize = 128;
// Blur passes over the glow image.
constexpr int GlowPasses = 7;

// Viewport 512 x 512, 2D texturing and depth test (less-or-equal) on, culling,
// blending and lighting off, identity texture, projection and modelview
// matrices (modelview selected), white colour, texture environment modulate.
void ResetRenderState();

// Binds target `slot` (repeat, linear) and copies the lower-left w x h pixels
// of the back buffer into it.
void CopyToTarget(int slot, int w, int h);

// The square (-1, -1)..(1, 1) in z = 0, textured once over its face.
void DrawUnitQuad();

// Binds target `slot` with the given wrap mode and linear filters and draws it
// as one quad over (-1, -1)..(1, 1).
void DrawTarget(int slot, int wrap);

// One frame: the due scenes through the timeline, then the glow, then the
// stretch to demo.width x demo.height.
void RenderFrame();
