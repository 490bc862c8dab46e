#pragma once
// smoke-bench's command line.

#include <optional>
#include <string>
#include <vector>

#include "cpu/ThreadTeam.h"
#include "sim/GridSize.h"
#include "sim/ProjectionMode.h"

struct BenchOptions {
    std::vector<GridSize2D> grids{{64, 64}, {201, 201}, {512, 512}, {1024, 1024}};
    std::vector<std::string> solvers;  // empty: every solver that runs here
    int warmupSteps = 3;
    int minSteps = 20;                 // timed runs of each measurement, at least
    double minSeconds = 1.0;           // and at least this long
    std::vector<ThreadCount> threads;  // the software solvers' teams; empty: their default
    std::vector<unsigned> loads{0};    // other threads kept spinning while timing
    std::vector<ProjectionMode> projections{ProjectionMode::FixedSweeps};  // each row is measured with each
    bool stages = false;    // also time each stage of the software solvers' step
    std::string scenePath;  // a scenario whose solids every measurement has; empty: none
    bool json = false;
};

// Reads smoke-bench's command line into `options`. Nothing: the program goes on. A
// status: help, the version or a mistake has been printed; the program ends with it.
std::optional<int> readBenchOptions(int argc, const char* const* argv, BenchOptions& options);
