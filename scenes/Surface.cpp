#include "scenes/Surface.h"

#include "common/DemoState.h"
#include "platform/GL.h"
#include "scenes/SceneFrame.h"

namespace {

constexpr float Pi = 3.14159265358979f;
constexpr float TwoPi = 2.0f * Pi;

// Rows outside the table fall back to the nearest one rather than reading past it.
const std::int32_t* ShapeRow() {
    std::int32_t row = demo.surfaceShape;
    if (row < 0) {
        row = 0;
    } else if (row >= ShapeRows) {
        row = ShapeRows - 1;
    }
    return ShapeTable[row];
}

} // namespace

const std::int32_t ShapeTable[ShapeRows][8] = {
    {1, 5, 5, 1, 3, 12, 12, 3},
    {3, 2, 3, 2, 2, 2, 2, 2},
};

void ResetSurfaceMaterial() {
    demo.specularColor[0] = 1.5f;
    demo.specularColor[1] = 1.4f;
    demo.specularColor[2] = 1.1f;
    demo.specularColor[3] = 1.0f;
    demo.specularParams[0] = 4.0f;
    demo.specularParams[1] = 0.995f;
    demo.bumpParams[0] = 2.0f;
    demo.bumpParams[1] = 0.15f;
    demo.bumpParams[2] = 0.01f;
    demo.bumpParams[3] = 0.0f;
    demo.surfaceTexRepeat[0] = 0.1f;
    demo.surfaceTexRepeat[1] = 0.1f;
}

SurfaceVector SurfacePoint(float u, float v) {
    const std::int32_t* m = ShapeRow();
    const float phaseV = demo.surfacePhaseV;
    const float phaseU = demo.surfacePhaseU;

    const float s0 = TableSin(static_cast<float>(m[0]) * v + phaseV);
    const float s1 = TableCos(static_cast<float>(m[1]) * v + phaseV);
    const float s2 = TableSin(static_cast<float>(m[2]) * u + phaseU);
    const float s3 = TableCos(static_cast<float>(m[3]) * u + phaseU);
    float sum = SignedPow(m[7], true, s3);
    sum += SignedPow(m[6], true, s2);
    sum += SignedPow(m[5], true, s1);
    sum += SignedPow(m[4], true, s0);
    const float r = Lerp(demo.surfaceWeight, 0.0f, sum) + 1.0f;

    // The polar angle is pulled in to about 0.999 v + 0.0015708 so that the
    // ring at v = 0 keeps a non-zero radius and its tangents stay defined.
    const auto index = static_cast<std::int32_t>(10419.948f * v + 16.384f);
    const float sv = demo.sineTable[index & 0xFFFF];

    // The height follows cos v itself, not the pulled-in angle.
    const float* scale = demo.surfaceScale;
    return {scale[0] * TableCos(u) * sv * r, scale[1] * TableCos(v) * r,
            scale[2] * TableSin(u) * sv * r};
}

void EmitSurfaceVertex(float u, float v) {
    const float n = static_cast<float>(demo.surfaceResolution);
    const float du = 1.0f / n * TwoPi;
    const float dv = 1.0f / n * Pi;

    const SurfaceVector p0 = SurfacePoint(u, v);
    const SurfaceVector p1 = SurfacePoint(u + du, v);
    const SurfaceVector p2 = SurfacePoint(u, v + dv);
    const float a[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}; // around
    const float b[3] = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z}; // along

    // Left unnormalized: the programs normalize per fragment.
    glNormal3f(a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]);
    glColor3f(demo.surfaceColor[0], demo.surfaceColor[1], demo.surfaceColor[2]);
    glTexCoord2f(u * demo.surfaceTexRepeat[0] / TwoPi, v * demo.surfaceTexRepeat[1] / Pi);
    demo.glMultiTexCoord3fvARB(GL_TEXTURE1_ARB, a);
    demo.glMultiTexCoord3fvARB(GL_TEXTURE2_ARB, b);
    glVertex3f(p0.x, p0.y, p0.z);
}

void DrawSurface() {
    const std::int32_t n = demo.surfaceResolution;
    const float du = 1.0f / static_cast<float>(n) * TwoPi;
    const float dv = 1.0f / static_cast<float>(n) * Pi;

    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 1, demo.specularColor);
    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 2, demo.specularParams);
    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 3, demo.bumpParams);
    glEnable(GL_CULL_FACE);

    // The strip at i = N repeats the first (table angles wrap at 2 pi), and
    // no strip reaches v = pi: the surface stays open at that pole.
    for (std::int32_t i = 0; i <= n; ++i) {
        const float u = static_cast<float>(i) * du;
        glBegin(GL_QUAD_STRIP);
        for (std::int32_t j = 0; j < n; ++j) {
            const float v = static_cast<float>(j) * dv;
            EmitSurfaceVertex(u, v);
            EmitSurfaceVertex(u + du, v);
        }
        glEnd();
    }
}
