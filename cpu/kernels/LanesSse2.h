#pragma once
// Four float lanes in 128-bit registers: what every x86-64 processor has.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <emmintrin.h>

#include <cstdint>

namespace {

// Two lanes that compute in double precision, their floats in the low half of a register.
struct Sse2DoubleLanes {
    using F = __m128;
    using M = __m128;
    using D = __m128d;
    static constexpr int N = 2;

    static F load(const float* p) { return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p)); }
    static F set1(float x) { return _mm_set1_ps(x); }
    static D set1Double(double x) { return _mm_set1_pd(x); }
    static D widen(F x) { return _mm_cvtps_pd(x); }
    static F narrow(D x) { return _mm_cvtpd_ps(x); }
    static F sqrt(F x) { return _mm_sqrt_ps(x); }
    static M lessThan(F a, F b) { return _mm_cmplt_ps(a, b); }
    static M greaterThan(F a, F b) { return _mm_cmpgt_ps(a, b); }
    static M atMost(F a, F b) { return _mm_cmple_ps(a, b); }
    static M either(M a, M b) { return _mm_or_ps(a, b); }
    static bool allLanes(M m) { return (_mm_movemask_ps(m) & 0x3) == 0x3; }  // the two lanes in use
    static bool anyLane(M m) { return (_mm_movemask_ps(m) & 0x3) != 0; }
    static F select(M m, F yes, F no) { return _mm_or_ps(_mm_and_ps(m, yes), _mm_andnot_ps(m, no)); }
    static void addToPairs(float* p, F x, F y) { _mm_storeu_ps(p, _mm_add_ps(_mm_loadu_ps(p), _mm_unpacklo_ps(x, y))); }
};

struct Sse2Lanes {
    using F = __m128;
    using M = __m128;
    using Doubles = Sse2DoubleLanes;
    static constexpr int N = 4;

    static F load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, F v) { _mm_storeu_ps(p, v); }
    static F set1(float x) { return _mm_set1_ps(x); }
    static F sqrt(F x) { return _mm_sqrt_ps(x); }
    static F abs(F x) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), x); }
    // x where `bits` is all ones, +0 where it is all zeros.
    static F keepBits(F x, F bits) { return _mm_and_ps(x, bits); }
    // Exact for every float: values of 2^23 and more are whole already, and the sign
    // of the input is kept so that −0 stays −0 as floorf leaves it.
    static F floor(F x) {
        const F whole = _mm_cvtepi32_ps(_mm_cvttps_epi32(x));
        const F down = _mm_sub_ps(whole, _mm_and_ps(_mm_cmpgt_ps(whole, x), _mm_set1_ps(1.0f)));
        const F withSign = _mm_or_ps(down, _mm_and_ps(x, _mm_set1_ps(-0.0f)));
        return select(_mm_cmplt_ps(abs(x), _mm_set1_ps(8388608.0f)), withSign, x);
    }
    static M lessThan(F a, F b) { return _mm_cmplt_ps(a, b); }
    static M greaterThan(F a, F b) { return _mm_cmpgt_ps(a, b); }
    static M atLeast(F a, F b) { return _mm_cmpge_ps(a, b); }
    static M atMost(F a, F b) { return _mm_cmple_ps(a, b); }
    static M both(M a, M b) { return _mm_and_ps(a, b); }
    static F select(M m, F yes, F no) { return _mm_or_ps(_mm_and_ps(m, yes), _mm_andnot_ps(m, no)); }
    // Lanes 0 .. n − 1 set.
    static M firstLanes(int n) {
        return _mm_castsi128_ps(_mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(n)));
    }

    static F evens(const float* p) { return _mm_shuffle_ps(load(p), load(p + 4), _MM_SHUFFLE(2, 0, 2, 0)); }
    static F odds(const float* p) { return _mm_shuffle_ps(load(p), load(p + 4), _MM_SHUFFLE(3, 1, 3, 1)); }
    static void storeInterleaved(float* p, F even, F odd) {
        store(p, _mm_unpacklo_ps(even, odd));
        store(p + 4, _mm_unpackhi_ps(even, odd));
    }

    // Row l of the square becomes column l: lane k of rows[l] moves to lane l of rows[k].
    static void transpose(F (&rows)[4]) { _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]); }
    // The same for pairs of floats (one Vec2 cell each), two cells to a register.
    static void transposePairs(F (&rows)[2]) {
        const __m128d a = _mm_castps_pd(rows[0]), b = _mm_castps_pd(rows[1]);
        rows[0] = _mm_castpd_ps(_mm_unpacklo_pd(a, b));
        rows[1] = _mm_castpd_ps(_mm_unpackhi_pd(a, b));
    }

    static F mapAxis(F x, double scale, double from, double to) {
        const __m128d s = _mm_set1_pd(scale), f = _mm_set1_pd(from), t = _mm_set1_pd(to);
        const __m128d low = _mm_add_pd(_mm_mul_pd(s, _mm_sub_pd(_mm_cvtps_pd(x), f)), t);
        const __m128d high = _mm_add_pd(_mm_mul_pd(s, _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), f)), t);
        return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
    }
    // SSE2 has no 32-bit lane multiply: the products are formed one by one.
    static void cellNumbers(F x, F y, int32_t width, int32_t* out) {
        int32_t rows[N];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_cvttps_epi32(x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows), _mm_cvttps_epi32(y));
        for (int k = 0; k < N; ++k) out[k] += rows[k] * width;
    }

    // Two floats from p in the low half, two from q in the high half.
    static F loadTwo(const float* p, const float* q) {
        const F low = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
        return _mm_loadh_pi(low, reinterpret_cast<const __m64*>(q));
    }
    static void gatherAdjacent(const float* base, const int32_t* o, F& first, F& second) {
        const F a = loadTwo(base + o[0], base + o[1]), b = loadTwo(base + o[2], base + o[3]);
        first = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        second = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
    }
    static void gatherAdjacentPairs(const float* base, const int32_t* o, F& x0, F& y0, F& x1, F& y1) {
        x0 = load(base + 2 * o[0]);
        y0 = load(base + 2 * o[1]);
        x1 = load(base + 2 * o[2]);
        y1 = load(base + 2 * o[3]);
        _MM_TRANSPOSE4_PS(x0, y0, x1, y1);
    }
};

}  // namespace
