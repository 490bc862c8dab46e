#pragma once
// Grid sizes as every program takes them, and the one limit they share.

#include <cstdint>

struct GridSize2D {
    uint32_t resI;  // cells across
    uint32_t resJ;  // cells up
};

// The largest grid side: with its two border cells it fills a texture of 4096 texels,
// which every GL that runs the shader solver offers. The window holds every grid to it;
// smoke-render and smoke-bench let the software solver alone go beyond, as far as
// memory allows.
constexpr uint32_t MAX_GRID = 4094;

constexpr bool shaderSolverTakes(GridSize2D grid) { return grid.resI <= MAX_GRID && grid.resJ <= MAX_GRID; }
