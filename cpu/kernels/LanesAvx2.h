#pragma once
// Eight float lanes in 256-bit registers. Only for files compiled with AVX2, which
// run only where the processor has it. (Anonymous namespace and no project
// headers: see LanesScalar.h.)

#include <immintrin.h>

#include <cstdint>

namespace {

// Four lanes that compute in double precision, their floats in a 128-bit register.
struct Avx2DoubleLanes {
    using F = __m128;
    using M = __m128;
    using D = __m256d;
    static constexpr int N = 4;

    static F load(const float* p) { return _mm_loadu_ps(p); }
    static F set1(float x) { return _mm_set1_ps(x); }
    static D set1Double(double x) { return _mm256_set1_pd(x); }
    static D widen(F x) { return _mm256_cvtps_pd(x); }
    static F narrow(D x) { return _mm256_cvtpd_ps(x); }
    static F sqrt(F x) { return _mm_sqrt_ps(x); }
    static M lessThan(F a, F b) { return _mm_cmplt_ps(a, b); }
    static M greaterThan(F a, F b) { return _mm_cmpgt_ps(a, b); }
    static M atMost(F a, F b) { return _mm_cmple_ps(a, b); }
    static M either(M a, M b) { return _mm_or_ps(a, b); }
    static bool allLanes(M m) { return _mm_movemask_ps(m) == 0xf; }
    static bool anyLane(M m) { return _mm_movemask_ps(m) != 0; }
    static F select(M m, F yes, F no) { return _mm_blendv_ps(no, yes, m); }
    static void addToPairs(float* p, F x, F y) {
        const __m256 pairs =
            _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_unpacklo_ps(x, y)), _mm_unpackhi_ps(x, y), 1);
        _mm256_storeu_ps(p, _mm256_add_ps(_mm256_loadu_ps(p), pairs));
    }
};

struct Avx2Lanes {
    using F = __m256;
    using M = __m256;
    using Doubles = Avx2DoubleLanes;
    static constexpr int N = 8;

    static F load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F set1(float x) { return _mm256_set1_ps(x); }
    static F sqrt(F x) { return _mm256_sqrt_ps(x); }
    static F abs(F x) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x); }
    // x where `bits` is all ones, +0 where it is all zeros.
    static F keepBits(F x, F bits) { return _mm256_and_ps(x, bits); }
    static F floor(F x) { return _mm256_floor_ps(x); }
    static M lessThan(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    static M greaterThan(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static M atLeast(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
    static M atMost(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
    static M both(M a, M b) { return _mm256_and_ps(a, b); }
    static F select(M m, F yes, F no) { return _mm256_blendv_ps(no, yes, m); }
    // Lanes 0 .. n − 1 set.
    static M firstLanes(int n) {
        return _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    }

    // Even and odd floats of p[0 .. 15], in order.
    static F evens(const float* p) {
        const F mixed = _mm256_shuffle_ps(load(p), load(p + 8), _MM_SHUFFLE(2, 0, 2, 0));
        return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(mixed), _MM_SHUFFLE(3, 1, 2, 0)));
    }
    static F odds(const float* p) {
        const F mixed = _mm256_shuffle_ps(load(p), load(p + 8), _MM_SHUFFLE(3, 1, 3, 1));
        return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(mixed), _MM_SHUFFLE(3, 1, 2, 0)));
    }
    static void storeInterleaved(float* p, F even, F odd) {
        const F low = _mm256_unpacklo_ps(even, odd), high = _mm256_unpackhi_ps(even, odd);
        store(p, _mm256_permute2f128_ps(low, high, 0x20));
        store(p + 8, _mm256_permute2f128_ps(low, high, 0x31));
    }

    // Within each 128-bit half: lane k of r[l] moves to lane l of r[k].
    static void transposeHalves(F& r0, F& r1, F& r2, F& r3) {
        const F t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpackhi_ps(r0, r1);
        const F t2 = _mm256_unpacklo_ps(r2, r3), t3 = _mm256_unpackhi_ps(r2, r3);
        r0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        r1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        r2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        r3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }
    // Row l of the square becomes column l: lane k of rows[l] moves to lane l of rows[k].
    static void transpose(F (&rows)[8]) {
        transposeHalves(rows[0], rows[1], rows[2], rows[3]);
        transposeHalves(rows[4], rows[5], rows[6], rows[7]);
        // Unrolled: as a loop, the square went through the stack on its way into and
        // out of the skewed layout, and a density diffusion took about 15 % longer.
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            const F low = rows[k], high = rows[k + 4];
            rows[k] = _mm256_permute2f128_ps(low, high, 0x20);
            rows[k + 4] = _mm256_permute2f128_ps(low, high, 0x31);
        }
    }
    // The same for pairs of floats (one Vec2 cell each), four cells to a register.
    static void transposePairs(F (&rows)[4]) {
        const __m256d a = _mm256_castps_pd(rows[0]), b = _mm256_castps_pd(rows[1]);
        const __m256d c = _mm256_castps_pd(rows[2]), d = _mm256_castps_pd(rows[3]);
        const __m256d t0 = _mm256_unpacklo_pd(a, b), t1 = _mm256_unpackhi_pd(a, b);
        const __m256d t2 = _mm256_unpacklo_pd(c, d), t3 = _mm256_unpackhi_pd(c, d);
        rows[0] = _mm256_castpd_ps(_mm256_permute2f128_pd(t0, t2, 0x20));
        rows[1] = _mm256_castpd_ps(_mm256_permute2f128_pd(t1, t3, 0x20));
        rows[2] = _mm256_castpd_ps(_mm256_permute2f128_pd(t0, t2, 0x31));
        rows[3] = _mm256_castpd_ps(_mm256_permute2f128_pd(t1, t3, 0x31));
    }

    static F mapAxis(F x, double scale, double from, double to) {
        const __m256d s = _mm256_set1_pd(scale), f = _mm256_set1_pd(from), t = _mm256_set1_pd(to);
        const __m256d low = _mm256_cvtps_pd(_mm256_castps256_ps128(x));
        const __m256d high = _mm256_cvtps_pd(_mm256_extractf128_ps(x, 1));
        const __m128 lowMapped = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(s, _mm256_sub_pd(low, f)), t));
        const __m128 highMapped = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(s, _mm256_sub_pd(high, f)), t));
        return _mm256_insertf128_ps(_mm256_castps128_ps256(lowMapped), highMapped, 1);
    }
    static void cellNumbers(F x, F y, int32_t width, int32_t* out) {
        const __m256i rows = _mm256_mullo_epi32(_mm256_cvttps_epi32(y), _mm256_set1_epi32(width));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_add_epi32(_mm256_cvttps_epi32(x), rows));
    }

    // Two floats from p in the low quarter, two from q in the next one.
    static __m128 loadTwo(const float* p, const float* q) {
        const __m128 low = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
        return _mm_loadh_pi(low, reinterpret_cast<const __m64*>(q));
    }
    static F halves(__m128 low, __m128 high) { return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1); }

    // Plain loads and shuffles: on the processors measured, faster than gather instructions.
    static void gatherAdjacent(const float* base, const int32_t* o, F& first, F& second) {
        const F a = halves(loadTwo(base + o[0], base + o[1]), loadTwo(base + o[4], base + o[5]));
        const F b = halves(loadTwo(base + o[2], base + o[3]), loadTwo(base + o[6], base + o[7]));
        first = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        second = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
    }
    static void gatherAdjacentPairs(const float* base, const int32_t* o, F& x0, F& y0, F& x1, F& y1) {
        x0 = halves(_mm_loadu_ps(base + 2 * o[0]), _mm_loadu_ps(base + 2 * o[4]));
        y0 = halves(_mm_loadu_ps(base + 2 * o[1]), _mm_loadu_ps(base + 2 * o[5]));
        x1 = halves(_mm_loadu_ps(base + 2 * o[2]), _mm_loadu_ps(base + 2 * o[6]));
        y1 = halves(_mm_loadu_ps(base + 2 * o[3]), _mm_loadu_ps(base + 2 * o[7]));
        transposeHalves(x0, y0, x1, y1);
    }
};

}  // namespace
