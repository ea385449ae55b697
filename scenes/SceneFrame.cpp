#include "scenes/SceneFrame.h"

#include "common/DemoState.h"
#include "platform/GL.h"

#include <cmath>
#include <cstdint>

namespace {

// 65536 / 2 pi: radians to table steps, the single-precision constant. The
// product of two floats is exact in double, so the index is truncated from
// the exact value.
constexpr double TableStepsPerRadian = 10430.378f;
constexpr double QuarterTurn = 16384.0;

// Truncation toward zero to 32 bits. Values the integer cannot hold (and NaN)
// give the integer's minimum, as the processor's conversion does, instead of
// undefined behaviour.
std::int32_t truncateIndex(double steps) {
    if (!(steps > -2147483649.0 && steps < 2147483648.0)) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(steps);
}

float tableEntry(std::int32_t index) {
    return demo.sineTable[static_cast<std::uint32_t>(index) & 0xFFFFu];
}

} // namespace

float Sqrt(float x) {
    return std::sqrt(x);
}

float Pow(float a, float b) {
    return static_cast<float>(
        std::exp2(static_cast<double>(b) * std::log2(static_cast<double>(a))));
}

float RampIn(float t, float start, float length) {
    if (t < start) {
        return 0.0f;
    }
    if (length > t - start) {
        return (t - start) / length;
    }
    return 1.0f;
}

float RampOut(float t, float start, float length) {
    if (t < start) {
        return 1.0f;
    }
    if (length > t - start) {
        return 1.0f - (t - start) / length;
    }
    return 0.0f;
}

float Fraction(float x) {
    return x - std::trunc(x);
}

float Lerp(float a, float from, float to) {
    return (1.0f - a) * from + a * to;
}

float SignedPow(int n, bool keepSign, float x) {
    const float sign = x > 0.0f ? 1.0f : -1.0f;
    const float magnitude = sign * x;
    float result = magnitude;
    for (int factor = 1; factor < n; ++factor) {
        result *= magnitude;
    }
    return keepSign ? sign * result : result;
}

float TableSin(float x) {
    return tableEntry(truncateIndex(static_cast<double>(x) * TableStepsPerRadian));
}

float TableCos(float x) {
    return tableEntry(truncateIndex(static_cast<double>(x) * TableStepsPerRadian + QuarterTurn));
}

void RotateAboutAxis(float point[3], const float axis[3], float& angle) {
    const float c = TableCos(angle);
    const float s = TableSin(angle);
    const float a = axis[0];
    const float b = axis[1];
    const float c3 = axis[2];
    const float x = point[0];
    const float y = point[1];
    const float z = point[2];
    const float d = a * x + b * y + c3 * z;
    point[0] = a * d + ((b * b + c3 * c3) * x - a * (b * y + c3 * z)) * c + (b * z - c3 * y) * s;
    point[1] = b * d + ((a * a + c3 * c3) * y - b * (a * x + c3 * z)) * c + (c3 * x - a * z) * s;
    point[2] = c3 * d + ((a * a + b * b) * z - c3 * (a * x + b * y)) * c + (a * y - b * x) * s;
}

float FadeLevel(const SceneEntry& entry, float time) {
    return RampIn(time, entry.start, entry.fadeIn) *
           RampOut(time, entry.start + entry.duration - entry.fadeOut, entry.fadeOut);
}

void SetOrbitingEye(float sceneTime, float height) {
    const float angle = 0.2f * sceneTime;
    demo.cameraEye[0] = 5.0f * static_cast<float>(std::sin(static_cast<double>(angle)));
    demo.cameraEye[1] = height;
    demo.cameraEye[2] = 5.0f * static_cast<float>(std::cos(static_cast<double>(angle)));
}

void UpdateViewDirection() {
    float v[3];
    for (int i = 0; i < 3; ++i) {
        v[i] = demo.cameraTarget[i] - demo.cameraEye[i];
    }
    const float length = Sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int i = 0; i < 3; ++i) {
        demo.viewDirection[i] = length != 0.0f ? v[i] / length : v[i];
    }
}

void PlaceCirclingLight(float sceneTime) {
    demo.lightPosition[0] = 15.0f * TableSin(sceneTime);
    demo.lightPosition[1] = -3.0f;
    demo.lightPosition[2] = 15.0f * TableCos(sceneTime);
    demo.lightPosition[3] = 1.0f;
}

float Twirl(float sceneTime) {
    return SignedPow(8, true, TableCos(4.4f * TableSin(0.5f * sceneTime + 0.4f)));
}

bool InViewCone(const float p[3], float threshold) {
    float v[3];
    for (int i = 0; i < 3; ++i) {
        v[i] = p[i] - demo.cameraEye[i];
    }
    const float length = Sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0f) {
        for (float& component : v) {
            component /= length;
        }
    }
    const float* d = demo.viewDirection;
    return v[0] * d[0] + v[1] * d[1] + v[2] * d[2] > threshold;
}

bool InFrontOfEye(const float p[3]) {
    const float* e = demo.cameraEye;
    const float* d = demo.viewDirection;
    return (p[0] - e[0]) * d[0] + (p[1] - e[1]) * d[1] + (p[2] - e[2]) * d[2] > 0.0f;
}

void DrawFadeOverlay(float r, float g, float b, float a) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(r, g, b, a);
    // The overlay lies one unit in front of the eye; without this, flakes and
    // plane edges nearer than that would show through a full fade.
    glDisable(GL_DEPTH_TEST);
    // With no alpha the blend keeps every pixel as it is, and with the depth
    // test off nothing reaches the depth buffer: only the state above counts.
    if (a > 0.0f) {
        glBegin(GL_QUADS);
        glVertex3i(-1, -1, -1);
        glVertex3i(1, -1, -1);
        glVertex3i(1, 1, -1);
        glVertex3i(-1, 1, -1);
        glEnd();
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void DrawWhiteFade(float fade) {
    const float level = 1.0f - fade;
    DrawFadeOverlay(level, level, level, level);
}

void DrawWhiteFadeIn(float fadeIn) {
    DrawFadeOverlay(1.0f, 1.0f, 1.0f, 1.0f - fadeIn);
}

void DrawBlackFade(float level) {
    DrawFadeOverlay(0.0f, 0.0f, 0.0f, level);
}
