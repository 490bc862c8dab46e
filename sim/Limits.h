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
// solvers stay bounded. Far more elongated grids (2 by 4094, 4094 by 1) reach
// velocities above 1e3 within 10 to 17 steps. Provisional: 64 by 8, 256 by 8 and 8 by 256 stayed
// below 0.3 over 60 steps of 0.05 s; the edge itself is yet to be measured.
constexpr double MAX_CELL_ASPECT_RATIO = 16.0;

// From 0 to MAX_STEP_SECONDS; NaN, infinities and negative lengths are not.
bool isValidStepLength(double dt);

// Why the programs refuse a resI by resJ grid (naming MAX_CELL_ASPECT_RATIO), or ""
// when they run it. The world is the unit square, so a cell is 1/resI wide and
// 1/resJ tall.
std::string gridShapeRefusal(uint32_t resI, uint32_t resJ);
