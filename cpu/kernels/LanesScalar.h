#pragma once
// One float at a time, with the same operations as the vector lanes, so that each
// kernel formula is written once and also serves the cells left over at row ends.
//
// Like every kernel-body header, this one defines everything in an anonymous
// namespace and includes no project header: each instruction-set file compiles
// its own private copy, so no out-of-line copy built for a wider instruction set
// can be shared with code that must run without it.

#include <cstdint>

namespace {

struct ScalarLanes {
    using F = float;
    using M = bool;
    using D = double;
    using Doubles = ScalarLanes;  // the lanes that also compute in double precision
    static constexpr int N = 1;

    static F load(const float* p) { return *p; }
    static void store(float* p, F v) { *p = v; }
    static F set1(float x) { return x; }
    static F sqrt(F x) { return __builtin_sqrtf(x); }
    static F abs(F x) { return __builtin_fabsf(x); }
    // x where `bits` is all ones, +0 where it is all zeros.
    static F keepBits(F x, F bits) {
        uint32_t a, b;
        __builtin_memcpy(&a, &x, sizeof a);
        __builtin_memcpy(&b, &bits, sizeof b);
        a &= b;
        __builtin_memcpy(&x, &a, sizeof x);
        return x;
    }
    static F floor(F x) { return __builtin_floorf(x); }
    static M lessThan(F a, F b) { return a < b; }
    static M greaterThan(F a, F b) { return a > b; }
    static M atLeast(F a, F b) { return a >= b; }
    static M atMost(F a, F b) { return a <= b; }
    static M both(M a, M b) { return a && b; }
    static M either(M a, M b) { return a || b; }
    static bool allLanes(M m) { return m; }
    static bool anyLane(M m) { return m; }
    static F select(M m, F yes, F no) { return m ? yes : no; }

    // The x and y of one Vec2 cell, and back.
    static F evens(const float* p) { return p[0]; }
    static F odds(const float* p) { return p[1]; }
    static void storeInterleaved(float* p, F even, F odd) {
        p[0] = even;
        p[1] = odd;
    }

    static D widen(F x) { return double(x); }
    static F narrow(D x) { return float(x); }
    static D set1Double(double x) { return x; }
    // p[0] += x, p[1] += y: one Vec2 cell.
    static void addToPairs(float* p, F x, F y) {
        p[0] += x;
        p[1] += y;
    }

    // float(scale × (double(x) − from) + to): a linear map done in double precision.
    static F mapAxis(F x, double scale, double from, double to) { return float(scale * (double(x) - from) + to); }
    // Cell number of the cell (int(x), int(y)) in rows of `width` cells.
    static void cellNumbers(F x, F y, int32_t width, int32_t* out) { *out = int32_t(x) + int32_t(y) * width; }

    // first = base[offset], second = base[offset + 1].
    static void gatherAdjacent(const float* base, const int32_t* offsets, F& first, F& second) {
        first = base[offsets[0]];
        second = base[offsets[0] + 1];
    }
    // Two adjacent Vec2 cells: x0 = base[2 × offset], y0, x1, y1 after it.
    static void gatherAdjacentPairs(const float* base, const int32_t* offsets, F& x0, F& y0, F& x1, F& y1) {
        const float* p = base + 2 * offsets[0];
        x0 = p[0];
        y0 = p[1];
        x1 = p[2];
        y1 = p[3];
    }
};

}  // namespace
