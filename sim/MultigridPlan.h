#pragma once
// The converged projection's multigrid hierarchy, as both solvers build it: which
// levels a grid has, their equations' constants, and when a solve stops. Plain data
// and declarations only: the software solver's kernels of every instruction set
// include it (see cpu/kernels/LanesScalar.h).

#include <cstdint>
#include <vector>

// The projection's residual must fall below this fraction of its value at the zero
// start (largest cell), unless the heights' float rounding floors it first.
constexpr float CONVERGED_TOLERANCE = 1e-3f;
// A cycle that leaves nine tenths of the largest residual or more has reached that
// floor: there the residual stays as it was (1024 and 2048 cells on the probe field).
// Beside solids every cycle leaves 0.6 to 0.8 of it, since the coarser levels do not
// know the solids, and the cycles go on to the tolerance (13 to 19 from 150 to 2048
// cells); a rule of halving stopped them at 2 to 40 % of the start.
constexpr float CONVERGED_STALL = 0.9f;
// No projection runs more V-cycles than this, whatever its fields hold (NaN, infinities).
constexpr uint32_t MAX_V_CYCLES = 30;
// Red-black sweeps on level 0 after its start from the coarser levels, and after
// each coarse correction (then its residual decides whether to stop). Measured on the
// benchmark's scene, two and three take two corrections where one and two took three.
constexpr int LEVEL0_START_SWEEPS = 2;
constexpr int LEVEL0_SWEEPS = 3;
// Red-black sweeps before and after each correction from the next coarser level, on
// the coarser levels.
constexpr int SMOOTHING_SWEEPS = 1;
// Sweeps that solve the coarsest level, at most 2 by 2 cells.
constexpr int COARSEST_SWEEPS = 8;

// Level 0 is the grid itself and relaxes the projection's own height equation. Level
// l + 1 takes every second node of level l along each halved axis (node k of the
// finer level is node k / 2 of the coarser one, k even), so the walls at node 0 are
// shared; the far walls generally are not, and a level keeps its own distance to them.
// Every coarser level relaxes the same equation for its cell size, normalised:
//   x = (westEast (x west + x east) + southNorth (x south + x north) + f) × scale,
// where scale is 1 except in the last column and row: there the wall lies closer than
// one cell (or farther), and the value beyond the border cell is the linear
// extrapolation ghost × x to the wall, folded into the cell's own weight.
struct MultigridShape {
    uint32_t resI;
    uint32_t resJ;
    bool halvedI;  // made from the finer level by taking every second column
    bool halvedJ;  // ... and row
    float westEast;
    float southNorth;
    float lastColumnScale;
    float lastRowScale;
    float lastCellScale;  // the last column's cell in the last row
    // The reciprocals, the cells' own weights in the residual (1 elsewhere).
    float lastColumnWeight;
    float lastRowWeight;
    float lastCellWeight;
    float ghostI;  // the border column stands for ghostI × the last column
    float ghostJ;  // the border row for ghostJ × the last row
    // Restriction from the finer level: its residual's weight in its last column
    // (row) when that column lies between this level's last node and the wall.
    float foldI;
    float foldJ;
    float rhsScale;  // this level's right-hand side per restricted residual of the finer
};

// What one converged projection did. (No member initialisers: an implicit constructor
// would be code that each instruction set's kernels compile a copy of.)
struct MultigridOutcome {
    uint32_t cycles;
    float residual;  // the largest residual left, relative to the zero start's
};

// The levels for a grid of resI by resJ cells, each hx wide and hy high; level 0 is
// the grid itself. An axis is halved while it has two cells or more, and only while
// its cells are not already much longer than the other axis's; the last level has at
// most 2 by 2 cells.
std::vector<MultigridShape> planMultigrid(uint32_t resI, uint32_t resJ, float hx, float hy);
