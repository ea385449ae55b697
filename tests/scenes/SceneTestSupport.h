// A show window for the scene tests: the context, extensions and programs,
// the show's textures, the sprite layers and the schedule. Frames are drawn
// through the timeline without the glow, so the pixels read back are what the
// scenes themselves drew.
#pragma once

#include "tests/support/GlWindow.h"

#include <vector>

// Opens the window and builds the show's schedule; later calls do nothing.
void OpenSceneWindow();

// With `hidden`, the blobs' fragment program is swapped for one that discards
// every fragment, so the same frame can be drawn without its blobs.
void HideBlobs(bool hidden);

// Draws the due scenes at `time` into the cleared 512 x 512 frame and reads
// it back.
Pixels SceneFrameAt(float time, float frameDelta);

// Pixels whose largest channel difference between the two frames exceeds
// `threshold`.
int ChangedPixels(const Pixels& a, const Pixels& b, int threshold);

// A stored snow flake position.
struct Flake {
    float x, y, z;
};

// The stored positions of the snow layer, in layer order.
std::vector<Flake> Snow();
