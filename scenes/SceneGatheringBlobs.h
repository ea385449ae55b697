// The middle scene: five warm-brown, stretched blobs rise through the view
// while the snow drifts upward; from 41 s the blobs pull the flakes toward
// themselves, so the snow gathers around them. Sand-coloured planes tilt
// behind everything and the picture fades in from white.
#pragma once

#include "common/TimelineTypes.h"

#include <cstdint>

constexpr int GatheringBlobCount = 5;

// Strength of the blobs' pull at scene time T: 0 until 41 s, rising linearly
// to 1 at 44 s, then 1.
float GatherPull(float sceneTime);

// Where the blobs are at scene time T, whether or not they are in view.
// Reseeds the shared generator.
void GatheringBlobPositions(float sceneTime, float positions[GatheringBlobCount][3]);

// Pulls a flake toward each blob in turn, each step starting from where the
// previous one left it: a blob at distance L moves it by
// 50 frameDelta pull L / (L^2 + 5)^2 along the line between them.
void AttractToBlobs(float position[3], const float blobs[GatheringBlobCount][3], float frameDelta,
                    float pull);

// The scene callback; its scene time is time + timeShift.
void GatheringBlobsScene(std::int32_t variant, const SceneEntry& entry, float time, float timeShift,
                         float frameDelta);
