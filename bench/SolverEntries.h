#pragma once
// The solvers smoke-bench knows: a name, how to make one, and what it measures
// beyond the common step and draw timings.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchScene.h"
#include "bench/Measure.h"
#include "cpu/ThreadTeam.h"
#include "sim/FluidSim2D.h"
#include "sim/ProjectionMode.h"
#include "sim/StageTimes.h"

struct ExtraMeasure {
    std::string name;
    double value;
    std::string unit;
};

struct SolverEntry {
    std::string name;
    std::string description;
    // May throw when the solver cannot run here; the row then says why.
    std::function<std::unique_ptr<FluidSim2D>(uint32_t resI, uint32_t resJ, ProjectionMode projection)> make;
    // Measured when no solvers are named.
    bool byDefault = true;
    // Measurements of its own, made after the common ones (may be empty).
    std::function<std::vector<ExtraMeasure>(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan)> extras;
    // Solvers that run on a team of threads: one made with so many (else empty).
    std::function<std::unique_ptr<FluidSim2D>(uint32_t resI, uint32_t resJ, ThreadCount threads,
                                              ProjectionMode projection)>
        makeOnThreads;
    // The fraction of the divergence of the smooth probe velocity (sim/DivergenceProbe.h)
    // that one projection of the solver's leaves; the solver's fields are replaced.
    std::function<double(FluidSim2D& sim)> divergenceLeft;
    // The median milliseconds of each stage of one step (empty where not known).
    std::function<std::vector<ExtraMeasure>(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan)> stages;
};

// The median milliseconds of each of `stages` over the plan's minimum of steps, timed
// by the solver between timeStages(&times) and timeStages(nullptr).
std::vector<ExtraMeasure> medianStageTimes(BenchScene& scene, const TimingPlan& plan,
                                           const std::function<void(StageTimes*)>& timeStages,
                                           std::initializer_list<Stage> stages);

// The divergence left by `project`, one projection of the solver's velocity, which
// `velocity` reads afterwards.
double divergenceLeftBy(FluidSim2D& sim, const std::function<void()>& project,
                        const std::function<Vec2(uint32_t i, uint32_t j)>& velocity);

// Every solver, in the order they are measured.
std::vector<SolverEntry> solverEntries();

// The shader solver.
SolverEntry shaderSolverEntry();
