#include "bench/BenchOptions.h"

#include <CLI/CLI.hpp>

#include "bench/SolverEntries.h"
#include "cli/Conventions.h"
#include "sim/Numbers.h"

namespace {

constexpr uint32_t MAX_COUNT = 1000000;
constexpr double MAX_SECONDS = 3600.0;

bool readCount(const std::string& text, uint32_t lowest, int& count) {
    uint32_t value = 0;
    if (!readWholeNumber(text, lowest, MAX_COUNT, value)) return false;
    count = int(value);
    return true;
}

// "--solver"'s help: the names this build and processor offer, and which run by default.
std::string solverHelp() {
    std::string all, byDefault;
    for (const SolverEntry& entry : solverEntries()) {
        all += (all.empty() ? "" : ", ") + entry.name;
        if (entry.byDefault) byDefault += (byDefault.empty() ? "" : ", ") + entry.name;
    }
    return "solvers by name: " + all + "\n(default: " + byDefault + ")";
}

}  // namespace

std::optional<int> readBenchOptions(int argc, const char* const* argv, BenchOptions& options) {
    CLI::App app(
        "Times the whole application step (a pour at the centre, two strokes, applyVorticity,\n"
        "step, clearSources) and, separately, draw, for each solver and grid size.",
        "smoke-bench");
    useConventions(app);
    BenchOptions& o = options;
    const auto readGrids = [&o](const std::vector<std::string>& items) {
        o.grids.clear();
        for (const std::string& item : items)
            if (!readGridSize(item, LARGEST_WHOLE_NUMBER, o.grids.emplace_back())) return false;
        return true;
    };
    const auto readSolvers = [&o](const std::vector<std::string>& items) {
        o.solvers = items;
        return true;
    };
    const std::string gridHelp = "grid sizes (default 64,201,512,1024), 1 to " + std::to_string(MAX_GRID) +
                                 " a side\n(the software solvers alone take larger ones)";
    addListOption(app, "--grid", gridHelp, "N[xM],...", "grid sizes N or NxM", readGrids);
    addListOption(app, "--solver", solverHelp(), "NAME,...", "solver names", readSolvers);
    // The names of earlier versions, kept working; given with the new name, one of the
    // two would go unheeded.
    addListOption(app, "--res", gridHelp, "N[xM],...", "grid sizes N or NxM", readGrids)->group("");
    addListOption(app, "--solvers", "", "NAME,...", "solver names", readSolvers)->group("");
    app.parse_complete_callback([&app] {
        for (const auto& [earlier, current] : {std::pair{"--res", "--grid"}, std::pair{"--solvers", "--solver"}})
            if (app.count(earlier) > 0 && app.count(current) > 0)
                throw CLI::ValidationError(
                    earlier, std::string("the earlier name of ") + current + ", which is given too: give one of them");
    });
    addListOption(app, "--threads",
                  "the software solvers' thread counts; auto: up to the processors\nthis process may use, fewer "
                  "while fewer are faster (default: auto, or SMOKE_THREADS)",
                  "N|auto,...", "thread counts from 1 to " + std::to_string(MAX_SOFTWARE_THREADS) + " or auto",
                  [&o](const std::vector<std::string>& items) {
                      o.threads.clear();
                      for (const std::string& item : items) {
                          uint32_t count = 0;
                          if (item == "auto")
                              o.threads.emplace_back(processorsAvailable(), true);
                          else if (readWholeNumber(item, 1, MAX_SOFTWARE_THREADS, count))
                              o.threads.emplace_back(count);
                          else
                              return false;
                      }
                      return true;
                  });
    addListOption(app, "--load",
                  "other threads kept spinning while timing, to measure a busy machine\n(default 0; 0,1 measures "
                  "idle and one processor busy side by side)",
                  "N,...", "whole numbers from 0 to " + std::to_string(MAX_SOFTWARE_THREADS),
                  [&o](const std::vector<std::string>& items) {
                      o.loads.clear();
                      for (const std::string& item : items) {
                          uint32_t count = 0;
                          if (!readWholeNumber(item, 0, MAX_SOFTWARE_THREADS, count)) return false;
                          o.loads.push_back(count);
                      }
                      return true;
                  });
    addListOption(app, "--projection",
                  "how the solvers project, each in turn: specified (the default, fixed\n"
                  "sweeps) or converged (multigrid until converged)",
                  "MODE,...", "specified or converged, separated by commas",
                  [&o](const std::vector<std::string>& items) {
                      o.projections.clear();
                      for (const std::string& item : items) {
                          const std::optional<ProjectionMode> mode = projectionModeNamed(item);
                          if (!mode) return false;
                          o.projections.push_back(*mode);
                      }
                      return true;
                  });
    addReadOption(app, "--steps", "timed runs of each measurement, at least (default 20)", "N", "a whole number from 1",
                  [&o](const std::string& text) { return readCount(text, 1, o.minSteps); });
    addReadOption(app, "--seconds", "and at least this long, in seconds (default 1)", "S",
                  "a number of seconds from 0 to 3600", [&o](const std::string& text) {
                      double seconds = 0.0;
                      if (!readNumber(text, seconds) || seconds < 0.0 || seconds > MAX_SECONDS) return false;
                      o.minSeconds = seconds;
                      return true;
                  });
    addReadOption(app, "--warmup", "untimed steps before timing (default 3)", "N", "a whole number from 0",
                  [&o](const std::string& text) { return readCount(text, 0, o.warmupSteps); });
    app.add_flag("--stages", o.stages, "also the milliseconds of each stage of the step");
    app.add_option("--scene", o.scenePath, "a scenario file whose solids every measurement has")->type_name("FILE");
    app.add_flag("--json", o.json, "print JSON instead of a table");
    app.footer(
        "Progress goes to standard error, one line as each measurement starts; the report to\n"
        "standard output. The default run takes several minutes.\n"
        "\nExit status: 0 after the report (a solver that cannot run gets a row saying why);\n"
        "1 when the benchmark cannot start; 2 for a mistake in the command line.");
    return readCommandLine(app, argc, argv);
}
