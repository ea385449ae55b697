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

// |y| of 120 and above (finite): y - n pi/2 from the integer product of the
// significand with the bits of 4 / pi that matter at its exponent.
double reduceLarge(std::uint32_t yBits, int& n) {
    const std::uint32_t* words = &InversePiOver4[(yBits >> 26) & 15];
    const int shift = static_cast<int>((yBits >> 23) & 7);
    const std::uint32_t significand = ((yBits & 0xffffff) | 0x800000) << shift;
    std::uint64_t r0 = static_cast<std::uint32_t>(significand * words[0]);
    const std::uint64_t r1 = static_cast<std::uint64_t>(significand) * words[4];
    const std::uint64_t r2 = static_cast<std::uint64_t>(significand) * words[8];
    r0 = (r2 >> 32) | (r0 << 32);
    r0 += r1;
    const std::uint64_t quadrant = (r0 + (1ull << 61)) >> 62;
    r0 -= quadrant << 62;
    n = static_cast<int>(quadrant);
    return static_cast<double>(static_cast<std::int64_t>(r0)) * PiOver2To63;
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
        alignas(16) std::uint32_t laneBits[4];
        alignas(16) std::int32_t laneN[4];
        alignas(16) std::int32_t laneQuadrant[4];
        alignas(32) double laneReduced[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(laneBits), yBits);
        _mm_store_si128(reinterpret_cast<__m128i*>(laneN), n);
        _mm256_store_pd(laneReduced, reduced);
        for (int l = 0; l < 4; ++l) {
            laneQuadrant[l] = laneN[l];
            const std::uint32_t t = (laneBits[l] >> 20) & 0x7ff;
            if (t > 0x42e && t <= 0x7f7) {
                int q = 0;
                laneReduced[l] = reduceLarge(laneBits[l], q);
                laneN[l] = q;
                laneQuadrant[l] = q + static_cast<int>(laneBits[l] >> 31);
            }
        }
        n = _mm_load_si128(reinterpret_cast<const __m128i*>(laneN));
        quadrant = _mm_load_si128(reinterpret_cast<const __m128i*>(laneQuadrant));
        reduced = _mm256_load_pd(laneReduced);
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
