// Scoped flush-to-zero / denormals-are-zero for the calling thread. Decaying
// filter history and envelope tails reach subnormal floats, which are very slow
// on x86; flushing them only zeroes values far below one step of 16-bit output.
// Hold one around every stretch of rendering.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define HV_DENORMAL_GUARD_SSE 1
#endif

class DenormalGuard {
public:
    DenormalGuard() {
#ifdef HV_DENORMAL_GUARD_SSE
        saved = _mm_getcsr();
        _mm_setcsr(saved | flushBits);
#endif
    }
    ~DenormalGuard() {
#ifdef HV_DENORMAL_GUARD_SSE
        _mm_setcsr(saved);
#endif
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#ifdef HV_DENORMAL_GUARD_SSE
    static constexpr unsigned flushBits = 0x8040u; // FTZ | DAZ
    unsigned saved = 0;
#endif
};
