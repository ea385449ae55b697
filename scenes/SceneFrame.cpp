#include "scenes/SceneFrame.h"
#include "common/DemoState.h"
float TableSin(float x) {
    return demo.sineTable[static_cast<std::int32_t>(x * 10430.378f) & 0xFFFF];
}
float TableCos(float x) {
    return demo.sineTable[static_cast<std::int32_t>(x * 10430.378f + 16384.0f) & 0xFFFF];
}
float SignedPow(std::int32_t n, bool keepSign, float x) {
    const float s = x > 0.0f ? 1.0f : -1.0f;
    const float m = s * x;
    float r = m;
    for (std::int32_t i = 1; i < n; ++i)
        r *= m;
    return keepSign ? s * r : r;
}
float Lerp(float a, float from, float to) {
    return (1.0f - a) * from + a * to;
}
