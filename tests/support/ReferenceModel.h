#pragma once
// The solver's arithmetic on the processor in double precision, on images of the
// solver's RGBA textures. The shader solver and the software solver are both
// checked against it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/Geometry.h"

// Four channels a cell over the whole grid, border included, laid out as the
// textures are: red and green velocity, blue free, alpha density.
struct Texels {
    Texels(uint32_t cellsI, uint32_t cellsJ)
        : resI(cellsI), resJ(cellsJ), values(4 * size_t(cellsI + 2) * (cellsJ + 2), 0.0) {}
    double& operator()(uint32_t i, uint32_t j, int c) { return values[4 * size_t(cellNumber(i, j, resI)) + c]; }
    double operator()(uint32_t i, uint32_t j, int c) const { return values[4 * size_t(cellNumber(i, j, resI)) + c]; }

    uint32_t resI, resJ;
    std::vector<double> values;
};

Texels fromFloats(uint32_t resI, uint32_t resJ, const std::vector<float>& floats);
std::vector<float> toFloats(const Texels& texels);

enum class Solver { Jacobi, GaussSeidel };

struct StepOptions {
    bool diffuse = true, advect = true, project = true;
    Solver solver = Solver::Jacobi;
    // The software solver carries density with the step's final velocity; the
    // shader solver carries it with the velocity that enters the advection.
    bool carryDensityWithFinalVelocity = false;
};

// applyVorticity and step of either solver, from the fields and the user sources.
Texels modelStep(const Texels& fields, const Texels& sources, float dt, const StepOptions& options);

// Largest difference over the given channels (a bit mask, bit c for channel c).
double maxDifference(const Texels& a, const Texels& b, unsigned channels);
double maxMagnitude(const Texels& a, unsigned channels);
constexpr unsigned VELOCITY = 0b0011;
constexpr unsigned DENSITY = 0b1000;
constexpr unsigned ALL_CHANNELS = 0b1111;
