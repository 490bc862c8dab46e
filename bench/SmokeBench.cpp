// smoke-bench: how fast each solver steps and draws, grid size by grid size.
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchOptions.h"
#include "bench/BenchReport.h"
#include "bench/BenchScene.h"
#include "bench/Measure.h"
#include "bench/SolverEntries.h"
#include "cpu/ThreadTeam.h"
#include "cpu/kernels/FastKernels.h"
#include "cli/Conventions.h"
#include "cli/StdoutToStderr.h"
#include "sim/Limits.h"
#include "headless/HeadlessGL.h"
#include "scenario/Scenario.h"
#include "solvers/SolverFactory.h"

namespace {

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The model name; where /proc/cpuinfo has none (64-bit ARM among others), the
// board's model or the processor's implementer and part numbers, and the machine.
std::string processorName() {
    std::ifstream info("/proc/cpuinfo");
    std::string line, name, implementer, part;
    auto valueOf = [&] { return line.find(':') == std::string::npos ? "" : line.substr(line.find(':') + 2); };
    while (std::getline(info, line)) {
        if (name.empty() && (line.rfind("model name", 0) == 0 || line.rfind("Model", 0) == 0)) name = valueOf();
        if (implementer.empty() && line.rfind("CPU implementer", 0) == 0) implementer = valueOf();
        if (part.empty() && line.rfind("CPU part", 0) == 0) part = valueOf();
    }
    utsname machine{};
    uname(&machine);
    if (name.empty()) {
        name = machine.machine;
        if (!implementer.empty()) name += " (implementer " + implementer + ", part " + part + ")";
    }
    const ThreadCount threads = defaultThreads();
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return name + " (" + std::to_string(online) + (online == 1 ? " processor" : " processors") + " online; " +
           (threads.adaptive ? "up to " : "") + std::to_string(threads.count) +
           (threads.count == 1 ? " thread" : " threads") + " by default)";
}

std::vector<SolverEntry> chosenEntries(const BenchOptions& options) {
    std::vector<SolverEntry> all = solverEntries(), chosen;
    if (options.solvers.empty()) {
        for (const SolverEntry& entry : all)
            if (entry.byDefault) chosen.push_back(entry);
        return chosen;
    }
    for (const std::string& name : options.solvers) {
        const size_t before = chosen.size();
        for (const SolverEntry& entry : all)
            if (entry.name == name) chosen.push_back(entry);
        if (chosen.size() == before) {
            std::string known;
            for (const SolverEntry& entry : all) known += " " + entry.name;
            throw std::invalid_argument("no solver \"" + name + "\"; this build has:" + known);
        }
    }
    return chosen;
}

// A team of threads for a solver that runs on one, else none.
struct Team {
    std::optional<ThreadCount> threads;
    unsigned load;
};

BenchRow measure(const SolverEntry& entry, GridSize2D grid, const Team& team, ProjectionMode projection,
                 const BenchOptions& options, const std::vector<SolidShape>& solids) {
    BenchRow row{entry.name, grid, {}, {}, 0.0, {}, {}, false, team.threads ? team.threads->count : 0, {}, projection};
    row.adaptive = team.threads && team.threads->adaptive;
    row.load = team.load;
    bool made = false;
    try {
        // Standard output carries the report alone (JSON included).
        StdoutToStderr chatter;
        std::unique_ptr<FluidSim2D> sim = team.threads
                                              ? entry.makeOnThreads(grid.resI, grid.resJ, *team.threads, projection)
                                              : entry.make(grid.resI, grid.resJ, projection);
        made = true;
        if (!solids.empty()) sim->setSolids(solidCellsOf(*sim, solids));
        BenchScene scene(*sim);
        const BusyThreads busy(team.load);
        const TimingPlan plan{options.warmupSteps, options.minSteps, options.minSeconds};
        row.step = timeRepeatedly(plan, [&] { scene.step(); });
        row.draw = timeRepeatedly({1, options.minSteps, options.minSeconds}, [&] { scene.draw(); });
        if (entry.extras) row.extras = entry.extras(*sim, scene, plan);
        if (options.stages && entry.stages) row.stages = entry.stages(*sim, scene, plan);
        // Last: it replaces the solver's fields.
        row.divergenceLeft = entry.divergenceLeft(*sim);
    } catch (const std::bad_alloc&) {
        row.error = "out of memory";
        row.failed = true;
    } catch (const SolverUnavailable& e) {
        row.error = e.reason();
    } catch (const std::exception& e) {
        row.error = e.what();
        row.failed = made;  // before that, the solver cannot run here at all
    }
    row.peakMiB = peakResidentMiB();
    return row;
}

// Ctrl-C, kill or a closed terminal end the measurements, not the report: the rows
// measured so far are printed, marked as interrupted, and the program then ends as
// the signal ends it. A second such signal ends it at once. Signals ignored when the
// program starts (a background job's Ctrl-C) stay ignored.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t endingSignal = 0;

void stopMeasuring(int signal) {
    endingSignal = signal;
    interruptMeasurements();
}

void reportOnSignals() {
    for (int signal : ENDING_SIGNALS) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = stopMeasuring;
        action.sa_flags = SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
}

// Once the report is out: the end the signal would have given at once.
int endAsInterrupted() {
    std::cout.flush();
    std::signal(endingSignal, SIG_DFL);
    raise(endingSignal);
    return 128 + endingSignal;
}

int run(const BenchOptions& options) {
    for (const GridSize2D& grid : options.grids) {
        const std::string refusal = gridShapeRefusal(grid.resI, grid.resJ);
        if (!refusal.empty()) throw std::invalid_argument(refusal);
    }
    const std::vector<SolverEntry> entries = chosenEntries(options);
    std::vector<SolidShape> solids;
    if (!options.scenePath.empty()) {
        const ParsedScenario scene = loadScenario(options.scenePath);
        if (!scene.ok()) throw std::invalid_argument(describeErrors(options.scenePath, scene.errors));
        solids = scene.scenario.solids;
    }
    reportOnSignals();
    headless::openWindow(BENCH_WINDOW_SIZE, BENCH_WINDOW_SIZE, "smoke-bench");
    BenchSetting setting{processorName(), headless::rendererName(), kernelIsaName(bestKernelIsa()), options};
    std::vector<BenchRow> rows;
    const std::vector<ThreadCount> counts =
        options.threads.empty() ? std::vector<ThreadCount>{defaultThreads()} : options.threads;
    for (const ThreadCount& count : counts) {
        const std::string note = threadsBeyondProcessorsNote(count.count, "--threads " + std::to_string(count.count));
        if (!count.adaptive && !note.empty()) std::cerr << "smoke-bench: " << note << "\n";
    }
    const auto teamsOf = [&](const SolverEntry& entry) {
        std::vector<Team> teams;
        for (unsigned load : options.loads) {
            if (!entry.makeOnThreads) teams.push_back({std::nullopt, load});
            for (const ThreadCount& count : counts)
                if (entry.makeOnThreads) teams.push_back({count, load});
        }
        return teams;
    };
    const auto teamName = [](const Team& team) {
        std::string name;
        if (team.threads && team.threads->adaptive)
            name += " on up to " + std::to_string(team.threads->count) + " threads";
        else if (team.threads)
            name += " on " + std::to_string(team.threads->count) + (team.threads->count == 1 ? " thread" : " threads");
        if (team.load) name += ", " + std::to_string(team.load) + " busy";
        return name;
    };
    size_t total = 0;
    for (const SolverEntry& entry : entries)
        total += options.grids.size() * teamsOf(entry).size() * options.projections.size();
    try {
        for (const GridSize2D& grid : options.grids)
            for (const SolverEntry& entry : entries)
                for (const Team& team : teamsOf(entry))
                    for (ProjectionMode projection : options.projections) {
                        const std::string converged =
                            projection == ProjectionMode::Converged ? ", converged projection" : "";
                        std::cerr << "[" << rows.size() + 1 << "/" << total << "] " << entry.name << " " << grid.resI
                                  << "x" << grid.resJ << teamName(team) << converged << std::endl;
                        rows.push_back(measure(entry, grid, team, projection, options, solids));
                        if (!options.json || rows.back().failed)
                            std::cerr << entry.name << " " << grid.resI << "x" << grid.resJ << converged << " "
                                      << rowOutcome(rows.back()) << "\n";
                        if (measurementsInterrupted()) throw MeasurementsInterrupted{};
                    }
    } catch (const MeasurementsInterrupted&) {
        setting.interrupted = true;
        setting.plannedRows = total;
        std::cerr << "smoke-bench: interrupted; reporting the " << rows.size() << " of " << total
                  << " measurements finished\n";
    }
    if (options.json) {
        printJson(std::cout, setting, rows);
    } else {
        printTable(std::cout, setting, rows);
    }
    return setting.interrupted ? endAsInterrupted() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (const std::optional<int> status = readBenchOptions(argc, argv, options)) return *status;
    try {
        return run(options);
    } catch (const std::invalid_argument& e) {
        std::cerr << "smoke-bench: " << e.what() << " (smoke-bench --help tells more)\n";
        return EXIT_BAD_COMMAND_LINE;
    } catch (const std::bad_alloc&) {
        std::cerr << "smoke-bench: not enough memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "smoke-bench: " << e.what() << "\n";
        return 1;
    }
}
