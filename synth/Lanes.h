// Four floats in the lanes of one vector register. Lane-wise products, sums,
// differences, quotients and comparisons round as the scalar ones do, and with
// contraction off none fuses, so an expression written once for a float and
// for FourFloats gives every sample the same bits either way. Each helper has
// both forms; a comparison gives a bool or FourInts of all ones or zeros.
#pragma once

#include <cmath>
#include <cstring>

typedef float FourFloats __attribute__((vector_size(16)));
typedef int FourInts __attribute__((vector_size(16)));

inline float Load(float, const float* p) {
    return *p;
}
inline FourFloats Load(FourFloats, const float* p) {
    FourFloats v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store(float* p, float v) {
    *p = v;
}
inline void Store(float* p, FourFloats v) {
    std::memcpy(p, &v, sizeof v);
}

inline float Splat(float, float v) {
    return v;
}
inline FourFloats Splat(FourFloats, float v) {
    return FourFloats{v, v, v, v};
}

inline FourInts BitsOf(FourFloats v) {
    FourInts bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
inline FourFloats FloatsOf(FourInts bits) {
    FourFloats v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// a where mask is set, b elsewhere.
inline float Select(bool mask, float a, float b) {
    return mask ? a : b;
}
inline FourFloats Select(FourInts mask, FourFloats a, FourFloats b) {
    return FloatsOf((BitsOf(a) & mask) | (BitsOf(b) & ~mask));
}

// std::trunc. Below 2^23 in magnitude through an integer, with the sign put
// back so that a zero keeps it; from there on every float is integral, as
// are infinities, and a NaN stays itself.
inline float Trunc(float v) {
    return std::trunc(v);
}
inline FourFloats Trunc(FourFloats v) {
    const FourInts sign = BitsOf(v) & static_cast<int>(0x80000000u);
    const FourInts small = FloatsOf(BitsOf(v) & 0x7fffffff) < 8388608.0f;
    const FourInts whole = __builtin_convertvector(Select(small, v, FourFloats{}), FourInts);
    return Select(small, FloatsOf(BitsOf(__builtin_convertvector(whole, FourFloats)) | sign), v);
}

// f(T{}, from) over count samples: in fours while four remain, then one by
// one; T is FourFloats, then float. The tail is bounded by count & 3 so that
// the compiler sees it run at most three times.
template <typename F> void InFours(int count, F f) {
    if (count <= 0) {
        return;
    }
    const int whole = count & ~3;
    for (int n = 0; n < whole; n += 4) {
        f(FourFloats{}, n);
    }
    for (int k = 0; k < (count & 3); ++k) {
        f(0.0f, whole + k);
    }
}
