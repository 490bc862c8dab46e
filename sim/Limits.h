#pragma once
// What the programs refuse before a solver sees it. The library itself takes any
// grid and leaves the step length to its callers; these are the bounds within which
// both solvers were measured to stay finite and bounded.

#include <cstdint>
#include <string>

// Both solvers form 4 * DIFFUSION_RATE * dt in single precision, which leaves the
// float range at dt = 8.5e36 s: beyond it every field is wiped to zero, and from
// 3.4e37 on it turns to NaN. Up to 8e36 s both decay smoothly (measured on 64, 201
// and 30 by 48 grids). The limit keeps six orders of magnitude below that edge for
// the products of dt with the fields.
constexpr double MAX_STEP_SECONDS = 1e30;

// The length of a cell over its width (or the other way round) up to which both
// solvers stay bounded. Measured through the step sequence, 300 steps of 0.05 s with
// a plume and with stirring: the bound falls as the long side grows; 4 is the largest
// ratio that stayed bounded (largest speed below 1, within 1.5 times the square
// grid's) at every long side up to 1024. Beyond it: 1024 by 128 reaches 47 within 31
// steps, 16 by 1024 reaches 60, and 4094 by 8 up to 2e11.
constexpr double MAX_CELL_ASPECT_RATIO = 4.0;

// From 0 to MAX_STEP_SECONDS; NaN, infinities and negative lengths are not.
bool isValidStepLength(double dt);

// Why the programs refuse a resI by resJ grid (naming MAX_CELL_ASPECT_RATIO), or ""
// when they run it. The world is the unit square, so a cell is 1/resI wide and
// 1/resJ tall.
std::string gridShapeRefusal(uint32_t resI, uint32_t resJ);
