#pragma once
// The fast kernels of one instruction set, as plain functions over raw arrays.
// Every array is laid out by cell number (i fastest, one border cell on each side);
// a Vec2 array is read as its x and y floats in turn.

#include <cstdint>

#include "cpu/MultigridLevel.h"

class ThreadTeam;

namespace kernels {

// The members of a thread team that run one kernel call together: each does its
// share, and they meet or hand work along through these calls (out of line, so
// that no copy compiled for a wider instruction set is shared).
struct Crew {
    ThreadTeam* team;
    unsigned member;
    unsigned size;
};
// Waits until every member has reached this point.
void meet(const Crew& crew);
// Before a relaxation, by one member, ahead of a meeting: no band has progressed.
void restartBands(const Crew& crew);
// The band of rows that member `band` relaxes has come this far (a growing count).
void publishBand(const Crew& crew, uint32_t band, uint32_t progress);
// Waits until that band has come at least this far; returns how far it has come.
uint32_t awaitBand(const Crew& crew, uint32_t band, uint32_t progress);

// Interior cells; a row holds resI + 2 cells.
struct GridSize {
    uint32_t resI;
    uint32_t resJ;
};

// Two scratch arrays of skewedFloats(grid, members) floats each, zero where never
// written, and edgeFloats(grid, members) floats for the rows where bands meet; on a
// grid with solids a third skewed array, for the fluid bits or the height factors
// the kernel reads, else null. They never change, so the array keeps them from one
// call to the next: `solidSkewed` says that it holds them in this crew's layout.
struct SkewScratch {
    float* relaxed;
    float* fixed;
    float* edges;
    float* solid;
    bool solidSkewed;
};

// A grid's solid cells, for kernels that hold them at zero. Null where there are none.
struct SolidArrays {
    const float* mask;           // 1 in a solid cell, 0 in a fluid one: one float a cell
    const float* fluid;          // all bits set in a fluid cell, none in a solid one: one float a cell
    const float* fluidPairs;     // the same, two floats a cell, for Vec2 arrays
    const float* heightFactors;  // the factor of each cell's height equation; 0 in solid cells
};

// Where each cell's backtrace starts and how world positions become grid positions.
struct BacktraceMap {
    const float* centreX;            // world x of each column's centres, resI + 2 of them
    const float* centreY;            // world y of each row's centres, resJ + 2 of them
    float left, right, bottom, top;  // the world rectangle's edges
    double scaleX, fromX, toX;       // grid x = float(scaleX × (double(world x) − fromX) + toX)
    double scaleY, fromY, toY;
    float t;  // the step time
};

struct BodyForceArrays {
    const float* velocity;
    const float* density;
    float* curls;
    float* normCurlGrads;
    float* velocitySources;
};

struct BodyForceConstants {
    float vorticityStrength;
    float buoyancy;
    float gradientEpsilon;  // a curl gradient shorter than this is not normalised
};

// A stroke's rows of cells, the columns of each that it reaches (inclusive), and
// everything its weights are computed from.
struct StrokeCells {
    const float* centreX;  // world x of each column's centres, resI + 2 of them
    const float* centreY;  // world y of each row's centres, resJ + 2 of them
    uint32_t loJ, hiJ;
    const uint32_t* firstI;  // by row
    const uint32_t* lastI;
    float fromX, fromY, toX, toY;
    float dx, dy, len;
    float directionX, directionY;
    float strength;
    float radius, core;
};

// The converged projection's hierarchy, and where its crew meets.
struct MultigridSolve {
    const MultigridLevel* levels;  // levels[0].x is the heights
    uint32_t count;
    float hx, hy;
    // Member k's levels, k below copies: its own copies of those of fewer than
    // 2 × cellsPerCoarseMember cells. Members from copies on have the shared ones alone.
    const MultigridLevel* const* memberLevels;
    uint32_t copies;
    // A coarser level of fewer cells than this per member runs on fewer members.
    uint32_t cellsPerCoarseMember;
    float* maxima;  // MAXIMA_STRIDE floats for each member of the crew
    MultigridOutcome* outcome;
    // On a grid with solids, room for level 0's height factors in the kernels' own
    // order: MULTIGRID_ARRAY_FLOATS floats. Null without solids.
    float* factorBoard;
};
// Each member's partial result on a cache line of its own.
constexpr uint32_t MAXIMA_STRIDE = 16;
// The converged projection's coarser levels are shared among threads down to a
// quarter of the cells per thread that the other kernels need; below, every thread
// solves them in its own copy (see docs/performance.md).
constexpr uint32_t COARSE_SHARE = 4;

// Every kernel is called by all members of a crew at once, each with its own member number.
struct KernelTable {
    const char* name;
    // components is 2 for Vec2 arrays, 1 for float arrays.
    void (*addSources)(float* out, const float* in, const float* sources, GridSize grid, int components,
                       const SolidArrays* solids, const Crew& crew);
    void (*diffuse)(float* out, const float* in, SkewScratch scratch, GridSize grid, int components, int sweeps,
                    float a, const SolidArrays* solids, const Crew& crew);
    void (*project)(float* out, const float* in, float* heights, SkewScratch scratch, GridSize grid, int sweeps,
                    float hx, float hy, const SolidArrays* solids, const Crew& crew);
    void (*projectConverged)(float* out, const float* in, const MultigridSolve& solve, const SolidArrays* solids,
                             const Crew& crew);
    void (*advect)(float* out, const float* in, const float* velocity, GridSize grid, int components,
                   const BacktraceMap& map, const SolidArrays* solids, const Crew& crew);
    void (*addBodyForces)(const BodyForceArrays& fields, GridSize grid, float hx, float hy, float t,
                          const BodyForceConstants& constants, const SolidArrays* solids, const Crew& crew);
    void (*addStroke)(float* velocitySources, GridSize grid, const StrokeCells& stroke, const Crew& crew);
};

// Floats in each skewed scratch array for a grid relaxed by a crew of `members`.
uint64_t skewedFloats(GridSize grid, unsigned members);
uint64_t edgeFloats(GridSize grid, unsigned members);

// Any processor.
const KernelTable& portableKernels();
// Only in builds for x86-64; AVX2 only where the processor has it.
const KernelTable& sse2Kernels();
const KernelTable& avx2Kernels();
// The same for grids with solid cells.
const KernelTable& portableSolidKernels();
const KernelTable& sse2SolidKernels();
const KernelTable& avx2SolidKernels();

}  // namespace kernels
