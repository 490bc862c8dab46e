#pragma once
// The physical and numerical constants both solvers share (the shaders write the
// same values as literals).

constexpr float DIFFUSION_RATE = 10.0f;
constexpr int SOLVER_SWEEPS = 10;  // Gauss-Seidel sweeps or Jacobi iterations per solve
constexpr float VORTICITY_STRENGTH = 0.1f;
constexpr float BUOYANCY = 0.002f;
constexpr float GRADIENT_EPSILON = 0.00001f;
constexpr float DENSITY_DISPLAY_SCALE = 100.0f;

// The confinement force pushes with the curl, and the curl of a wiggle one cell wide
// grows as the cells shrink: unscaled, a fine grid turns every such wiggle into a
// stronger one (at 2048 cells across a poured plume breaks into speckles within a
// dozen steps). So the force keeps VORTICITY_STRENGTH on cells at least as large as
// the default grid's (201 across the unit square) and shrinks in proportion to the
// cell size on finer ones, the finer of a cell's width and height counting. The
// quotient is exactly 1 at 201, so grids up to that size get the same bits as ever.
constexpr float CONFINEMENT_REFERENCE_CELL = 1.0f / 201.0f;

inline float confinementStrength(float hx, float hy) {
    const float finer = hx < hy ? hx : hy;
    const float scale = finer / CONFINEMENT_REFERENCE_CELL;
    return scale < 1.0f ? VORTICITY_STRENGTH * scale : VORTICITY_STRENGTH;
}
