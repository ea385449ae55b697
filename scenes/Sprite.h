// Sprite: one camera-facing textured quad of a sprite layer. The first sprite
// of a layer is its head: it owns the two matrices read once per layer and
// frame, and sets up and restores the GL state around the layer's drawing.
#pragma once

#include <cstdint>

class Sprite {
public:
    unsigned int texture;
    float color[4];
    float spin;             // degrees about the view axis
    float* billboardMatrix; // head only: camera translation, no rotation
    float* modelviewMatrix; // head only: the full camera transform
    float* viewPlanes;      // head only: the six planes of the view, in eye space
    float position[3];
    float halfSize[2];
    std::int32_t blendMode;   // head only: 0 additive, 1 alpha
    std::uint8_t lowAlphaCut; // head only: alpha test at 0.01 instead of 0.5
    std::uint8_t cluster;     // draw a 3 x 3 cluster of copies
    float clusterSpacing;

    // Zeroes spin, blend mode and the flags, sets alpha to 1 and, for a head,
    // allocates the two (uninitialised) matrices. Colour, texture, position
    // and size are left to the caller.
    void Init(bool isHead);

    // On the head: pushes the modelview, reads the camera and the view once
    // and loads the camera's translation alone, so that the quads face the
    // viewer.
    void BeginLayer();

    // Draws this sprite at its position as the full camera sees it. A sprite
    // wholly outside the view is left out: it would give no fragment.
    void Draw(const Sprite& head) const;

    // The same, raised by `lift` along the view's up axis.
    void DrawLifted(const Sprite& head, float lift) const;

    // On the head: restores the state that the layer changed.
    void EndLayer();

    // Frees the head's matrices and planes.
    void Destroy();

private:
    void draw(const Sprite& head, const float* lift) const;
};
