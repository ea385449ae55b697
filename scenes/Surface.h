// The deformed sphere behind every blob: a sphere whose radius is modulated by
// signed powers of sines of the two surface angles, sent as quad strips with
// the normal, tangents and texture coordinates the bump program pair reads.
// Every parameter lives in demo (surface* and the material fields); a scene
// sets them and calls DrawSurface once per blob.
#pragma once

#include <cstdint>

// Rows of frequencies m0..m3 and exponents m4..m7 of the radius modulation.
constexpr int ShapeRows = 2;
extern const std::int32_t ShapeTable[ShapeRows][8];

struct SurfaceVector {
    float x;
    float y;
    float z;
};

// Puts the shared material back to its defaults before a scene adjusts it.
void ResetSurfaceMaterial();

// The surface point for the angles u (around, 0..2 pi) and v (along, 0..pi).
SurfaceVector SurfacePoint(float u, float v);

// Sends one vertex with its normal, colour, surface coordinate and two
// tangents; called inside an open quad strip.
void EmitSurfaceVertex(float u, float v);

// Draws the whole surface in the current modelview with whatever programs and
// textures the caller has bound: N + 1 quad strips around (the last repeats
// the first), each of N vertex pairs along, so the band next to v = pi stays
// open. Leaves face culling enabled.
void DrawSurface();
