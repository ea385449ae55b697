// What the scenes share: numeric helpers on floats, table sines, and the
// frame conventions of fade level, orbiting camera, view direction, circling
// light, twirl, visibility cone and full-screen fade overlays.
#pragma once

#include "common/Random.h"
#include "common/TimelineTypes.h"

float Sqrt(float x);

// One draw of the shared generator as a float from 0 to 1: rand() / 32767.
inline float R() {
    return static_cast<float>(Random::rand()) / 32767.0f;
}

// a to the power b as 2^(b log2 a); a >= 0.
float Pow(float a, float b);

// 0 before start, rising linearly over length, then 1. With length 0: 0
// before start, 1 from start on.
float RampIn(float t, float start, float length);

// 1 before start, falling linearly over length, then 0. With length 0: 1
// before start, 0 from start on.
float RampOut(float t, float start, float length);

// x minus x truncated toward zero: negative x gives a result in (-1, 0].
float Fraction(float x);

// (1 - a) from + a to.
float Lerp(float a, float from, float to);

// |x| multiplied by itself to n factors (n <= 1: |x|), given x's sign when
// keepSign. Zero counts as negative.
float SignedPow(int n, bool keepSign, float x);

// Sine and cosine of x radians read from demo.sineTable: the index is x times
// 65536 / 2 pi (plus a quarter turn for the cosine), truncated toward zero,
// its low 16 bits selecting the entry.
float TableSin(float x);
float TableCos(float x);

// Rotates point in place about the unit vector axis through the origin by
// angle radians, right-handed, with table sines.
void RotateAboutAxis(float point[3], const float axis[3], float& angle);

// The scene's fade: in over fadeIn from the entry's start, out over fadeOut
// before its end.
float FadeLevel(const SceneEntry& entry, float time);

// Places demo.cameraEye on a circle of radius 5 about the vertical axis, at
// angle 0.2 T (exact sine and cosine) and the given height.
void SetOrbitingEye(float sceneTime, float height);

// demo.viewDirection = the unit vector from the eye to the target; all zero
// when they coincide.
void UpdateViewDirection();

// demo.lightPosition = (15 sin T, -3, 15 cos T, 1), table sines.
void PlaceCirclingLight(float sceneTime);

// Rests near 0 and swings briefly toward +-1: the snow's swirl.
float Twirl(float sceneTime);

// Whether the direction from the eye to p, normalised, is within the cone
// around demo.viewDirection: their dot product is above threshold.
bool InViewCone(const float p[3], float threshold);

// Whether p lies in front of the eye: (p - eye) . viewDirection > 0.
bool InFrontOfEye(const float p[3]);

// Full-screen quad at z = -1 in the current projection, modelview reset to
// identity, untextured, blended by its alpha and drawn over everything, whatever
// its depth; blending is off afterwards, the depth test on.
void DrawFadeOverlay(float r, float g, float b, float a);

// White that clears as the scene's fade rises: colour 1 - fade everywhere.
void DrawWhiteFade(float fade);

// White at full colour whose alpha is 1 - fadeIn.
void DrawWhiteFadeIn(float fadeIn);

// Black with alpha level.
void DrawBlackFade(float level);
