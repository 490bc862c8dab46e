#pragma once
// smoke-bench's command line.

#include <cstdint>
#include <string>
#include <vector>

struct GridSize2D {
    uint32_t resI;
    uint32_t resJ;
};

struct BenchOptions {
    std::vector<GridSize2D> grids{{64, 64}, {201, 201}, {512, 512}, {1024, 1024}};
    std::vector<std::string> solvers;  // empty: every solver that runs here
    int warmupSteps = 3;
    int minSteps = 20;         // timed runs of each measurement, at least
    double minSeconds = 1.0;   // and at least this long
    std::vector<unsigned> threads;  // the software solvers' team sizes; empty: their default
    bool stages = false;            // also time each stage of the software solvers' step
    bool json = false;
    bool help = false;
};

// Throws std::invalid_argument naming the argument it cannot use.
BenchOptions parseBenchOptions(const std::vector<std::string>& args);

std::string benchUsage();
