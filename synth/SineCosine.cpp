#include "synth/SineCosine.h"

#include <cmath>
#include <cstdint>

#if defined(__x86_64__) && defined(__GLIBC__) && defined(__GNUC__)
#define HV_SINE_COSINE_LANES 1
#include <bit>
#include <immintrin.h>
#endif

namespace {

void libraryValues(const float* x, int count, float* sines, float* cosines) {
    for (int n = 0; n < count; ++n) {
        sines[n] = std::sin(x[n]);
    }
    if (cosines != nullptr) {
        for (int n = 0; n < count; ++n) {
            cosines[n] = std::cos(x[n]);
        }
    }
}

#ifdef HV_SINE_COSINE_LANES

// The library's constants, bit for bit.
constexpr double bits(std::uint64_t b) {
    return std::bit_cast<double>(b);
}
const double HalfPiInverse24 = bits(0x41645f306dc9c883ull); // 2^24 * 2 / pi
const double HalfPi = bits(0x3ff921fb54442d18ull);
const double PiOver2To63 = bits(0x3c1921fb54442d18ull);
const double C0 = bits(0x3ff0000000000000ull);
const double C1 = bits(0xbfdffffffd0c621cull);
const double C2 = bits(0x3fa55553e1068f19ull);
const double C3 = bits(0xbf56c087e89a359dull);
const double C4 = bits(0x3ef99343027bf8c3ull);
const double S1 = bits(0xbfc555545995a603ull);
const double S2 = bits(0x3f81107605230bc4ull);
const double S3 = bits(0xbf2994eb3774cf24ull);

// The bits of 4 / pi, in words starting one byte apart.
constexpr std::uint32_t InversePiOver4[24] = {
    0xa2,       0xa2f9,     0xa2f983,   0xa2f9836e, 0xf9836e4e, 0x836e4e44, 0x6e4e4415, 0x4e441529,
    0x441529fc, 0x1529fc27, 0x29fc2757, 0xfc2757d1, 0x2757d1f5, 0x57d1f534, 0xd1f534dd, 0xf534ddc0,
    0x34ddc0db, 0xddc0db62, 0xc0db6295, 0xdb629599, 0x6295993c, 0x95993c43, 0x993c4390, 0x3c439041,
};

// |y| of 120 and above (finite), four at a time: y - n pi/2 from the integer
// product of the significand with the bits of 4 / pi that matter at its
// exponent, in 64-bit lanes, into n and reduced.
__attribute__((target("avx2,fma"), always_inline)) inline void
reduceLarge(__m128i yBits, __m128i& n, __m256d& reduced) {
    const __m128i index = _mm_and_si128(_mm_srli_epi32(yBits, 26), _mm_set1_epi32(15));
    const __m128i shift = _mm_and_si128(_mm_srli_epi32(yBits, 23), _mm_set1_epi32(7));
    const __m128i significand = _mm_sllv_epi32(
        _mm_or_si128(_mm_and_si128(yBits, _mm_set1_epi32(0xffffff)), _mm_set1_epi32(0x800000)),
        shift);
    const auto* words = reinterpret_cast<const int*>(InversePiOver4);
    const __m128i w0 = _mm_i32gather_epi32(words, index, 4);
    const __m128i w4 = _mm_i32gather_epi32(words + 4, index, 4);
    const __m128i w8 = _mm_i32gather_epi32(words + 8, index, 4);
    const __m256i s64 = _mm256_cvtepu32_epi64(significand);
    const __m256i r0 = _mm256_cvtepu32_epi64(_mm_mullo_epi32(significand, w0));
    const __m256i r1 = _mm256_mul_epu32(s64, _mm256_cvtepu32_epi64(w4));
    const __m256i r2 = _mm256_mul_epu32(s64, _mm256_cvtepu32_epi64(w8));
    __m256i r =
        _mm256_add_epi64(_mm256_or_si256(_mm256_srli_epi64(r2, 32), _mm256_slli_epi64(r0, 32)), r1);
    const __m256i quadrant =
        _mm256_srli_epi64(_mm256_add_epi64(r, _mm256_set1_epi64x(1ll << 61)), 62);
    r = _mm256_sub_epi64(r, _mm256_slli_epi64(quadrant, 62));
    // The signed 64-bit remainder as a double, rounded once as a conversion
    // rounds it: its upper half exactly, times 2^32, plus its lower half
    // exactly.
    const __m256i odd = _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6);
    const __m256i halves = _mm256_permutevar8x32_epi32(r, odd);
    const __m256d high = _mm256_cvtepi32_pd(_mm256_castsi256_si128(halves));
    const __m128i lowBits = _mm256_extracti128_si256(halves, 1);
    __m256d low = _mm256_cvtepi32_pd(lowBits);
    low = _mm256_add_pd(low, _mm256_and_pd(_mm256_castsi256_pd(_mm256_cvtepi32_epi64(
                                               _mm_cmplt_epi32(lowBits, _mm_setzero_si128()))),
                                           _mm256_set1_pd(4294967296.0)));
    const __m256d whole = _mm256_add_pd(_mm256_mul_pd(high, _mm256_set1_pd(4294967296.0)), low);
    reduced = _mm256_mul_pd(whole, _mm256_set1_pd(PiOver2To63));
    n = _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(quadrant, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
}

// Four floats: the reduction by n quarter cycles, then the sine and cosine
// polynomials in double precision, each product and fused multiply-add as
// the library forms it. Each lane takes the path its magnitude selects.
__attribute__((target("avx2,fma"), always_inline)) inline void
fourInLanes(const float* in, float* sines, float* cosines) {
    const __m128 y = _mm_loadu_ps(in);
    const __m128i yBits = _mm_castps_si128(y);
    const __m128i top = _mm_and_si128(_mm_srli_epi32(yBits, 20), _mm_set1_epi32(0x7ff));
    const __m256d x = _mm256_cvtps_pd(y);

    // Below pi/4 n is 0, and x - 0 * pi/2 is x itself.
    const __m128i small = _mm_cmplt_epi32(top, _mm_set1_epi32(0x3f4));
    const __m256d r = _mm256_mul_pd(x, _mm256_set1_pd(HalfPiInverse24));
    __m128i n = _mm_srai_epi32(_mm_add_epi32(_mm256_cvttpd_epi32(r), _mm_set1_epi32(0x800000)), 24);
    n = _mm_andnot_si128(small, n);
    __m256d reduced = _mm256_fnmadd_pd(_mm256_cvtepi32_pd(n), _mm256_set1_pd(HalfPi), x);
    // The quadrant that sets the signs: n, plus the sign of y where the
    // reduction took |y|.
    __m128i quadrant = n;

    const __m128i large = _mm_cmpgt_epi32(top, _mm_set1_epi32(0x42e));
    if (!_mm_testz_si128(large, large)) {
        __m128i largeN;
        __m256d largeReduced;
        reduceLarge(yBits, largeN, largeReduced);
        n = _mm_blendv_epi8(n, largeN, large);
        quadrant =
            _mm_blendv_epi8(quadrant, _mm_add_epi32(largeN, _mm_srli_epi32(yBits, 31)), large);
        reduced = _mm256_blendv_pd(reduced, largeReduced,
                                   _mm256_castsi256_pd(_mm256_cvtepi32_epi64(large)));
    }

    const __m256i q64 = _mm256_cvtepi32_epi64(quadrant);
    // The sine's argument is negated in quadrants 1 and 2, the cosine in 2 and 3.
    const __m256i sineFlip =
        _mm256_slli_epi64(_mm256_xor_si256(q64, _mm256_srli_epi64(q64, 1)), 63);
    const __m256i cosineFlip = _mm256_slli_epi64(_mm256_srli_epi64(q64, 1), 63);
    const __m256i one = _mm256_set1_epi64x(1);
    // Odd n swaps the two polynomials.
    const __m256d swap = _mm256_castsi256_pd(
        _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_cvtepi32_epi64(n), one), one));

    const __m256d x2 = _mm256_mul_pd(reduced, reduced);
    const __m256d xs = _mm256_xor_pd(reduced, _mm256_castsi256_pd(sineFlip));

    const __m256d x3 = _mm256_mul_pd(x2, xs);
    const __m256d s1 = _mm256_fmadd_pd(x2, _mm256_set1_pd(S3), _mm256_set1_pd(S2));
    const __m256d x7 = _mm256_mul_pd(x2, x3);
    const __m256d s = _mm256_fmadd_pd(x3, _mm256_set1_pd(S1), xs);
    const __m256d sine = _mm256_fmadd_pd(s1, x7, s);

    const __m256d x4 = _mm256_mul_pd(x2, x2);
    const __m256d c1 = _mm256_fmadd_pd(x2, _mm256_set1_pd(C1), _mm256_set1_pd(C0));
    const __m256d c2 = _mm256_fmadd_pd(x2, _mm256_set1_pd(C4), _mm256_set1_pd(C3));
    const __m256d x6 = _mm256_mul_pd(x2, x4);
    const __m256d c = _mm256_fmadd_pd(x4, _mm256_set1_pd(C2), c1);
    const __m256d cosine =
        _mm256_xor_pd(_mm256_fmadd_pd(c2, x6, c), _mm256_castsi256_pd(cosineFlip));

    // Below 2^-12 the sine is y and the cosine 1.
    const __m128 tiny = _mm_castsi128_ps(_mm_cmplt_epi32(top, _mm_set1_epi32(0x398)));
    const __m128 sineOut =
        _mm_blendv_ps(_mm256_cvtpd_ps(_mm256_blendv_pd(sine, cosine, swap)), y, tiny);
    _mm_storeu_ps(sines, sineOut);
    if (cosines != nullptr) {
        const __m128 cosineOut = _mm_blendv_ps(
            _mm256_cvtpd_ps(_mm256_blendv_pd(cosine, sine, swap)), _mm_set1_ps(1.0f), tiny);
        _mm_storeu_ps(cosines, cosineOut);
    }

    // Infinities and NaNs are the library's to report.
    const __m128i notFinite = _mm_cmpgt_epi32(top, _mm_set1_epi32(0x7f7));
    if (!_mm_testz_si128(notFinite, notFinite)) {
        for (int l = 0; l < 4; ++l) {
            if (!std::isfinite(in[l])) {
                sines[l] = std::sin(in[l]);
                if (cosines != nullptr) {
                    cosines[l] = std::cos(in[l]);
                }
            }
        }
    }
}

__attribute__((target("avx2,fma"))) void valuesInLanes(const float* x, int count, float* sines,
                                                       float* cosines) {
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        fourInLanes(x + n, sines + n, cosines != nullptr ? cosines + n : nullptr);
    }
    if (n < count) {
        float in[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        float s[4];
        float c[4];
        for (int l = 0; n + l < count; ++l) {
            in[l] = x[n + l];
        }
        fourInLanes(in, s, c);
        for (int l = 0; n + l < count; ++l) {
            sines[n + l] = s[l];
            if (cosines != nullptr) {
                cosines[n + l] = c[l];
            }
        }
    }
}

// Inputs on every path and across its bounds, seven of the 34 floats whose
// cosines the library's variant without fused multiply-adds rounds apart
// from its FMA variant, then a spread over every exponent of both signs: a
// library whose reduction or polynomials differ rounds some of them apart.
constexpr std::uint32_t ProbeBits[] = {
    0x00000000, 0x80000000, 0x00000001, 0x39800000, 0x397fffff, 0x3f490fda, 0x3f490fdb,
    0x3f800000, 0x3fc90fdb, 0x40490fdb, 0x4096cbe4, 0x40c90fdb, 0xc0c90fdb, 0x42efffff,
    0x42f00000, 0x43000000, 0x47435000, 0x4b7fffff, 0x7f7fffff, 0xff7fffff, 0x418a3adb,
    0x41bc76d9, 0x4202eb4b, 0x4255b0a9, 0x42687a55, 0x4280ce28, 0x42870e40,
};
constexpr int ProbeCount = sizeof ProbeBits / sizeof ProbeBits[0];
constexpr std::uint32_t SpreadStep = 0x1fff3; // odd, so the low bits vary too
constexpr int SpreadCount = 0x7f800000 / SpreadStep;
constexpr int ProbeBlock = 64;

bool lanesMatchLibrary() {
    float x[ProbeBlock];
    float sines[ProbeBlock];
    float cosines[ProbeBlock];
    const int total = ProbeCount + 2 * SpreadCount;
    for (int from = 0; from < total; from += ProbeBlock) {
        const int count = total - from < ProbeBlock ? total - from : ProbeBlock;
        for (int n = 0; n < count; ++n) {
            const int i = from + n;
            const std::uint32_t b =
                i < ProbeCount ? ProbeBits[i]
                               : static_cast<std::uint32_t>((i - ProbeCount) / 2) * SpreadStep |
                                     ((i - ProbeCount) % 2 == 0 ? 0u : 0x80000000u);
            // Through a volatile, so the compiler cannot fold the library's part.
            const volatile float probe = std::bit_cast<float>(b);
            x[n] = probe;
        }
        valuesInLanes(x, count, sines, cosines);
        for (int n = 0; n < count; ++n) {
            if (std::bit_cast<std::uint32_t>(sines[n]) !=
                    std::bit_cast<std::uint32_t>(std::sin(x[n])) ||
                std::bit_cast<std::uint32_t>(cosines[n]) !=
                    std::bit_cast<std::uint32_t>(std::cos(x[n]))) {
                return false;
            }
        }
    }
    return true;
}

// The library takes its FMA variant where both are usable.
bool lanesInUse() {
    static const bool inUse =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && lanesMatchLibrary();
    return inUse;
}

#endif

void values(const float* x, int count, float* sines, float* cosines) {
#ifdef HV_SINE_COSINE_LANES
    if (lanesInUse()) {
        valuesInLanes(x, count, sines, cosines);
        return;
    }
#endif
    libraryValues(x, count, sines, cosines);
}

} // namespace

void Sines(const float* x, int count, float* sines) {
    values(x, count, sines, nullptr);
}

void SinesAndCosines(const float* x, int count, float* sines, float* cosines) {
    values(x, count, sines, cosines);
}

bool SineCosineInLanes() {
#ifdef HV_SINE_COSINE_LANES
    return lanesInUse();
#else
    return false;
#endif
}
