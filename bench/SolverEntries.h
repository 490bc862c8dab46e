#pragma once
// The solvers smoke-bench knows: a name, how to make one, and what it measures
// beyond the common step and draw timings.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchScene.h"
#include "bench/Measure.h"
#include "sim/FluidSim2D.h"

struct ExtraMeasure {
    std::string name;
    double value;
    std::string unit;
};

struct SolverEntry {
    std::string name;
    std::string description;
    // May throw when the solver cannot run here; the row then says why.
    std::function<std::unique_ptr<FluidSim2D>(uint32_t resI, uint32_t resJ)> make;
    // Measured when no solvers are named.
    bool byDefault = true;
    // Measurements of its own, made after the common ones (may be empty).
    std::function<std::vector<ExtraMeasure>(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan)> extras;
    // Solvers that run on a team of threads: one made with so many (else empty).
    std::function<std::unique_ptr<FluidSim2D>(uint32_t resI, uint32_t resJ, unsigned threads)> makeOnThreads;
    // The milliseconds of each stage of one step, on average (empty where not known).
    std::function<std::vector<ExtraMeasure>(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan)> stages;
};

// Every solver, in the order they are measured.
std::vector<SolverEntry> solverEntries();

// The shader solver.
SolverEntry shaderSolverEntry();
