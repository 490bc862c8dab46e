#pragma once
// The physical and numerical constants both solvers share (the shaders write the
// same values as literals).

constexpr float DIFFUSION_RATE = 10.0f;
constexpr int SOLVER_SWEEPS = 10;  // Gauss-Seidel sweeps or Jacobi iterations per solve
constexpr float VORTICITY_STRENGTH = 0.1f;
constexpr float BUOYANCY = 0.002f;
constexpr float GRADIENT_EPSILON = 0.00001f;
constexpr float DENSITY_DISPLAY_SCALE = 100.0f;
