#pragma once
// smoke-bench's results, as a table for people or as JSON for programs.

#include <ostream>
#include <string>
#include <vector>

#include "bench/BenchOptions.h"
#include "bench/Measure.h"
#include "bench/SolverEntries.h"

struct BenchRow {
    std::string solver;
    GridSize2D grid;
    Timing step;
    Timing draw;
    double peakMiB;  // the process's peak resident memory so far
    std::vector<ExtraMeasure> extras;
    std::string error;  // why the solver could not run at this size; empty when it ran
    bool failed =
        false;  // the error came while measuring (out of memory included), not from a solver this machine lacks
    unsigned threads = 0;              // the team's size; 0 for a solver that runs on no team
    std::vector<ExtraMeasure> stages;  // milliseconds of each stage of a step, when asked for
    ProjectionMode projection = ProjectionMode::FixedSweeps;
    double divergenceLeft = 0.0;  // of the probe velocity after one projection (SolverEntry)
    bool adaptive = false;        // `threads` is the team's most; it runs on fewer while fewer are faster
    unsigned load = 0;            // other threads spinning while it was timed
};

// "measured", "failed: why" or "not measured: why".
std::string rowOutcome(const BenchRow& row);

// What was measured on what.
struct BenchSetting {
    std::string processor;
    std::string renderer;
    std::string fastKernels;
    BenchOptions options;
    // A signal ended the run early: only the measurements finished before it are reported.
    bool interrupted = false;
    size_t plannedRows = 0;  // of an interrupted run: how many measurements it would have made
};

// Every solver's whole step against the plain kernels', grid by grid.
constexpr const char* SPEED_UP_BASELINE = "cpu-reference";

void printTable(std::ostream& out, const BenchSetting& setting, const std::vector<BenchRow>& rows);
void printJson(std::ostream& out, const BenchSetting& setting, const std::vector<BenchRow>& rows);
