#pragma once
// How much divergence a projection leaves: a smooth compressible velocity, the
// gradient of a Gaussian, put into a solver, and the size of the divergence of any
// velocity field, both through the solvers' common interface.

#include <cstdint>
#include <functional>

#include "sim/FluidSim2D.h"

// The Gaussian's width, in world units: exp(−r² / w²) about the world's centre.
constexpr double PROBE_WIDTH = 0.14;

// Empties the solver and gives it the gradient of that Gaussian as its velocity (its
// sources added in one step of no time with every stage off, then cleared; the
// stages' switches come back as they were).
void loadProbeVelocity(FluidSim2D& sim);

// The root mean square, over the interior cells, of the central-difference divergence
// of a velocity field on the solver's grid (its border cells read as they are).
double divergenceRms(const FluidSim2D& sim, const std::function<Vec2(uint32_t i, uint32_t j)>& velocity);
