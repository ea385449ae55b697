// Four floats in the lanes of one vector register. Lane-wise products, sums,
// differences, quotients and comparisons round as the scalar ones do, and with
// contraction off none fuses, so a loop written once for a float T and for
// FourFloats gives every sample the same bits either way.
#pragma once

#include <cstring>

typedef float FourFloats __attribute__((vector_size(16)));
typedef int FourInts __attribute__((vector_size(16)));

inline FourFloats LoadFour(const float* p) {
    FourFloats v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreFour(float* p, FourFloats v) {
    std::memcpy(p, &v, sizeof v);
}

inline FourFloats SplatFour(float v) {
    return FourFloats{v, v, v, v};
}

// a where the lanes of mask are set, b elsewhere; mask from a comparison.
inline FourFloats SelectFour(FourInts mask, FourFloats a, FourFloats b) {
    FourInts ai, bi;
    std::memcpy(&ai, &a, sizeof ai);
    std::memcpy(&bi, &b, sizeof bi);
    const FourInts r = (ai & mask) | (bi & ~mask);
    FourFloats out;
    std::memcpy(&out, &r, sizeof out);
    return out;
}

// The same for a float, so that one expression serves both.
inline float Load(float, const float* p) {
    return *p;
}
inline FourFloats Load(FourFloats, const float* p) {
    return LoadFour(p);
}
inline float Splat(float, float v) {
    return v;
}
inline FourFloats Splat(FourFloats, float v) {
    return SplatFour(v);
}
inline void Store(float* p, float v) {
    *p = v;
}
inline void Store(float* p, FourFloats v) {
    StoreFour(p, v);
}
inline float Select(bool mask, float a, float b) {
    return mask ? a : b;
}
inline FourFloats Select(FourInts mask, FourFloats a, FourFloats b) {
    return SelectFour(mask, a, b);
}

// f(T{}, from) over count samples: in fours while four remain, then one by
// one; T is FourFloats, then float.
template <typename F> void InFours(int count, F f) {
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        f(FourFloats{}, n);
    }
    for (; n < count; ++n) {
        f(0.0f, n);
    }
}
