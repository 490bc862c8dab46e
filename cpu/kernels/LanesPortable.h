#pragma once
// Four float lanes in the compiler's generic 16-byte vectors: NEON registers on
// 64-bit ARM, SSE registers on x86, whatever the target has elsewhere. Every
// operation is the per-lane float or double arithmetic of the scalar lanes, so the
// results are theirs bit for bit. (Anonymous namespace and no project headers: see
// LanesScalar.h.)

#include <cstdint>
#include <cstring>

namespace {

template <class V>
V loadVector(const float* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Lanes where m is set take yes, the others no.
template <class V, class M>
V selectBits(M m, V yes, V no) {
    return (V)(((M)yes & m) | ((M)no & ~m));
}

// Two lanes that compute in double precision.
struct PortableDoubleLanes {
    using F = float __attribute__((vector_size(8)));
    using M = int32_t __attribute__((vector_size(8)));
    using D = double __attribute__((vector_size(16)));
    static constexpr int N = 2;

    static F load(const float* p) { return loadVector<F>(p); }
    static F set1(float x) { return F{x, x}; }
    static D set1Double(double x) { return D{x, x}; }
    static D widen(F x) { return __builtin_convertvector(x, D); }
    static F narrow(D x) { return __builtin_convertvector(x, F); }
    static F sqrt(F x) { return F{__builtin_sqrtf(x[0]), __builtin_sqrtf(x[1])}; }
    static M lessThan(F a, F b) { return a < b; }
    static M greaterThan(F a, F b) { return a > b; }
    static M atMost(F a, F b) { return a <= b; }
    static M either(M a, M b) { return a | b; }
    static bool allLanes(M m) { return m[0] && m[1]; }
    static bool anyLane(M m) { return m[0] || m[1]; }
    static F select(M m, F yes, F no) { return selectBits(m, yes, no); }
    static void addToPairs(float* p, F x, F y) {
        p[0] += x[0];
        p[1] += y[0];
        p[2] += x[1];
        p[3] += y[1];
    }
};

struct PortableLanes {
    using F = float __attribute__((vector_size(16)));
    using M = int32_t __attribute__((vector_size(16)));
    using Doubles = PortableDoubleLanes;
    static constexpr int N = 4;

    static F load(const float* p) { return loadVector<F>(p); }
    static void store(float* p, F v) { std::memcpy(p, &v, sizeof v); }
    static F set1(float x) { return F{x, x, x, x}; }
    static F sqrt(F x) {
        return F{__builtin_sqrtf(x[0]), __builtin_sqrtf(x[1]), __builtin_sqrtf(x[2]), __builtin_sqrtf(x[3])};
    }
    static F abs(F x) { return (F)((M)x & M{0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff}); }
    // x where `bits` is all ones, +0 where it is all zeros.
    static F keepBits(F x, F bits) { return (F)((M)x & (M)bits); }
    static F floor(F x) {
        return F{__builtin_floorf(x[0]), __builtin_floorf(x[1]), __builtin_floorf(x[2]), __builtin_floorf(x[3])};
    }
    static M lessThan(F a, F b) { return a < b; }
    static M greaterThan(F a, F b) { return a > b; }
    static M atLeast(F a, F b) { return a >= b; }
    static M atMost(F a, F b) { return a <= b; }
    static M both(M a, M b) { return a & b; }
    static F select(M m, F yes, F no) { return selectBits(m, yes, no); }
    // Lanes 0 .. n − 1 set.
    static M firstLanes(int n) { return M{0, 1, 2, 3} < M{n, n, n, n}; }

    static F evens(const float* p) { return F{p[0], p[2], p[4], p[6]}; }
    static F odds(const float* p) { return F{p[1], p[3], p[5], p[7]}; }
    static void storeInterleaved(float* p, F even, F odd) {
        const F low{even[0], odd[0], even[1], odd[1]}, high{even[2], odd[2], even[3], odd[3]};
        store(p, low);
        store(p + 4, high);
    }

    // Row l of the square becomes column l: lane k of rows[l] moves to lane l of rows[k].
    static void transpose(F (&rows)[4]) {
        const F r0 = rows[0], r1 = rows[1], r2 = rows[2], r3 = rows[3];
        for (int k = 0; k < 4; ++k) rows[k] = F{r0[k], r1[k], r2[k], r3[k]};
    }
    // The same for pairs of floats (one Vec2 cell each), two cells to a register.
    static void transposePairs(F (&rows)[2]) {
        const F a = rows[0], b = rows[1];
        rows[0] = F{a[0], a[1], b[0], b[1]};
        rows[1] = F{a[2], a[3], b[2], b[3]};
    }

    static F mapAxis(F x, double scale, double from, double to) {
        F mapped;
        for (int k = 0; k < N; ++k) mapped[k] = float(scale * (double(x[k]) - from) + to);
        return mapped;
    }
    static void cellNumbers(F x, F y, int32_t width, int32_t* out) {
        for (int k = 0; k < N; ++k) out[k] = int32_t(x[k]) + int32_t(y[k]) * width;
    }

    static void gatherAdjacent(const float* base, const int32_t* o, F& first, F& second) {
        first = F{base[o[0]], base[o[1]], base[o[2]], base[o[3]]};
        second = F{base[o[0] + 1], base[o[1] + 1], base[o[2] + 1], base[o[3] + 1]};
    }
    static void gatherAdjacentPairs(const float* base, const int32_t* o, F& x0, F& y0, F& x1, F& y1) {
        const float* c[N] = {base + 2 * o[0], base + 2 * o[1], base + 2 * o[2], base + 2 * o[3]};
        x0 = F{c[0][0], c[1][0], c[2][0], c[3][0]};
        y0 = F{c[0][1], c[1][1], c[2][1], c[3][1]};
        x1 = F{c[0][2], c[1][2], c[2][2], c[3][2]};
        y1 = F{c[0][3], c[1][3], c[2][3], c[3][3]};
    }
};

}  // namespace
