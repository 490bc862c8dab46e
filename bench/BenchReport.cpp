#include "bench/BenchReport.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "bench/BenchScene.h"

namespace {

std::string gridName(GridSize2D g) { return std::to_string(g.resI) + "x" + std::to_string(g.resJ); }

double stepsPerSecond(const BenchRow& row) { return 1000.0 / row.step.medianMs; }
double cellsPerSecond(const BenchRow& row) { return double(row.grid.resI) * row.grid.resJ * stepsPerSecond(row); }

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string jsonText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            quoted += code;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string jsonNumber(double value) { return std::isfinite(value) ? format("%.6g", value) : "null"; }

std::string padded(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string threadsName(unsigned threads, bool adaptive) {
    if (adaptive) return "auto";
    return threads ? std::to_string(threads) : "-";
}

struct SpeedUp {
    std::string solver;
    unsigned threads;
    bool adaptive;
    unsigned load;
    GridSize2D grid;
    double factor;
};

// Rows measured under the same conditions: the same grid and the same load.
bool sameGrid(const BenchRow& a, const BenchRow& b) {
    return a.grid.resI == b.grid.resI && a.grid.resJ == b.grid.resJ && a.load == b.load && a.projection == b.projection;
}

bool anyLoad(const std::vector<BenchRow>& rows) {
    for (const BenchRow& row : rows)
        if (row.load > 0) return true;
    return false;
}

bool anyConverged(const std::vector<BenchRow>& rows) {
    for (const BenchRow& row : rows)
        if (row.projection == ProjectionMode::Converged) return true;
    return false;
}

// Each row with the converged projection against the same solver, team and grid
// with the fixed sweeps: how many times as long its step takes.
std::vector<SpeedUp> projectionCosts(const std::vector<BenchRow>& rows) {
    std::vector<SpeedUp> result;
    for (const BenchRow& converged : rows) {
        if (converged.projection != ProjectionMode::Converged || !converged.error.empty()) continue;
        for (const BenchRow& row : rows)
            if (row.projection == ProjectionMode::FixedSweeps && row.error.empty() && row.solver == converged.solver &&
                row.threads == converged.threads && row.adaptive == converged.adaptive && row.load == converged.load &&
                row.grid.resI == converged.grid.resI && row.grid.resJ == converged.grid.resJ)
                result.push_back({row.solver, row.threads, row.adaptive, row.load, row.grid,
                                  converged.step.medianMs / row.step.medianMs});
    }
    return result;
}

std::string percent(double fraction) { return std::isfinite(fraction) ? format("%.3g%%", 100.0 * fraction) : "-"; }

// For each grid with a baseline row, every other row measured there.
std::vector<SpeedUp> speedUps(const std::vector<BenchRow>& rows) {
    std::vector<SpeedUp> result;
    for (const BenchRow& base : rows) {
        if (base.solver != SPEED_UP_BASELINE || !base.error.empty()) continue;
        for (const BenchRow& row : rows)
            if (row.solver != base.solver && row.error.empty() && sameGrid(row, base))
                result.push_back({row.solver, row.threads, row.adaptive, row.load, row.grid,
                                  base.step.medianMs / row.step.medianMs});
    }
    return result;
}

// Each row on a team of several threads against the same solver on one, same grid.
std::vector<SpeedUp> threadScaling(const std::vector<BenchRow>& rows) {
    std::vector<SpeedUp> result;
    for (const BenchRow& one : rows) {
        if (one.threads != 1 || one.adaptive || !one.error.empty()) continue;
        for (const BenchRow& row : rows)
            if (row.solver == one.solver && (row.threads > 1 || row.adaptive) && row.error.empty() &&
                sameGrid(row, one))
                result.push_back(
                    {row.solver, row.threads, row.adaptive, row.load, row.grid, one.step.medianMs / row.step.medianMs});
    }
    return result;
}

void printSpeedUps(std::ostream& out, const std::string& heading, const std::vector<SpeedUp>& ups, bool loads) {
    if (!ups.empty()) out << "\n" << heading << ":\n";
    for (const SpeedUp& up : ups)
        out << "  " << padded(up.solver, 15) << padded(threadsName(up.threads, up.adaptive), 8)
            << (loads ? padded(std::to_string(up.load), 6) : "") << padded(gridName(up.grid), 11)
            << format("%.2f", up.factor) << "\n";
}

void printSpeedUpsJson(std::ostream& out, const std::string& baseline, const std::vector<SpeedUp>& ups) {
    for (size_t k = 0; k < ups.size(); ++k)
        out << (k ? ",\n" : "\n") << "    {\"solver\": " << jsonText(ups[k].solver)
            << ", \"threads\": " << ups[k].threads << (ups[k].adaptive ? ", \"adaptive\": true" : "")
            << ", \"load\": " << ups[k].load << ", \"baseline\": " << jsonText(baseline)
            << ", \"resI\": " << ups[k].grid.resI << ", \"resJ\": " << ups[k].grid.resJ
            << ", \"step\": " << jsonNumber(ups[k].factor) << "}";
}

}  // namespace

std::string rowOutcome(const BenchRow& row) {
    if (row.error.empty()) return "measured";
    return (row.failed ? "failed: " : "not measured: ") + row.error;
}

void printTable(std::ostream& out, const BenchSetting& setting, const std::vector<BenchRow>& rows) {
    out << "smoke-bench: median over the timed runs of the whole application step (pour, two strokes,\n"
        << "applyVorticity, step, clearSources; dt " << format("%.4f", BENCH_STEP_TIME) << " s) and of draw\n"
        << "processor:    " << setting.processor << "\n"
        << "fast kernels: " << setting.fastKernels << "\n"
        << "renderer:     " << setting.renderer << "\n"
        << (setting.options.scenePath.empty() ? "" : "solids:       those of " + setting.options.scenePath + "\n");
    if (setting.interrupted)
        out << "INTERRUPTED after " << rows.size() << " of " << setting.plannedRows
            << " measurements: the rows below are those finished before it\n";
    out << "\n";
    const bool loads = anyLoad(rows);
    // The projection's column only where some row converges: otherwise every row has the fixed sweeps.
    const bool projections = anyConverged(rows);
    out << padded("solver", 15) << padded("threads", 8) << (loads ? padded("load", 6) : "") << padded("grid", 11)
        << (projections ? padded("projection", 11) : "") << padded("step ms", 10) << padded("steps/s", 10)
        << padded("Mcells/s", 10) << padded("draw ms", 10) << padded("div left", 10) << padded("peak MiB", 10)
        << "runs\n";
    for (const BenchRow& row : rows) {
        out << padded(row.solver, 15) << padded(threadsName(row.threads, row.adaptive), 8)
            << (loads ? padded(std::to_string(row.load), 6) : "") << padded(gridName(row.grid), 11)
            << (projections ? padded(projectionModeName(row.projection), 11) : "");
        if (!row.error.empty()) {
            out << rowOutcome(row) << "\n";
            continue;
        }
        out << padded(format("%.3f", row.step.medianMs), 10) << padded(format("%.1f", stepsPerSecond(row)), 10)
            << padded(format("%.1f", cellsPerSecond(row) / 1e6), 10) << padded(format("%.3f", row.draw.medianMs), 10)
            << padded(percent(row.divergenceLeft), 10) << padded(format("%.1f", row.peakMiB), 10) << row.step.runs
            << "/" << row.draw.runs << "\n";
        for (const ExtraMeasure& extra : row.extras)
            out << "    " << extra.name << ": " << format("%.6g", extra.value) << (extra.unit.empty() ? "" : " ")
                << extra.unit << "\n";
        if (!row.stages.empty()) out << "    stages, ms per step:";
        for (const ExtraMeasure& stage : row.stages) out << " " << stage.name << " " << format("%.3f", stage.value);
        if (!row.stages.empty()) out << "\n";
    }
    printSpeedUps(out, std::string("whole step, times faster than ") + SPEED_UP_BASELINE, speedUps(rows), loads);
    printSpeedUps(out, "whole step, times faster than the same solver on one thread", threadScaling(rows), loads);
    printSpeedUps(out, "whole step with the converged projection, times the step with the specified one",
                  projectionCosts(rows), loads);
    out << "\ndiv left is the share of a smooth velocity's divergence (the gradient of a Gaussian) that one\n"
        << "projection leaves; peak MiB is the peak resident memory of the whole process so far; runs are\n"
        << "timed steps/draws.\n";
    if (loads) out << "load is how many other threads kept processors busy while a row was timed.\n";
    bool adaptive = false;
    for (const BenchRow& row : rows) adaptive = adaptive || row.adaptive;
    if (adaptive)
        out << "auto: a team of up to the processors this process may use, on fewer while fewer finish steps sooner.\n";
}

void printJson(std::ostream& out, const BenchSetting& setting, const std::vector<BenchRow>& rows) {
    out << "{\n  \"processor\": " << jsonText(setting.processor) << ",\n  \"renderer\": " << jsonText(setting.renderer)
        << ",\n  \"fast_kernels\": " << jsonText(setting.fastKernels)
        << ",\n  \"step_time_s\": " << jsonNumber(BENCH_STEP_TIME)
        << ",\n  \"warmup_steps\": " << setting.options.warmupSteps
        << ",\n  \"interrupted\": " << (setting.interrupted ? "true" : "false");
    if (setting.interrupted) out << ",\n  \"planned_rows\": " << setting.plannedRows;
    out << ",\n  \"rows\": [";
    for (size_t k = 0; k < rows.size(); ++k) {
        const BenchRow& row = rows[k];
        out << (k ? ",\n" : "\n") << "    {\"solver\": " << jsonText(row.solver) << ", \"resI\": " << row.grid.resI
            << ", \"resJ\": " << row.grid.resJ;
        if (row.threads) out << ", \"threads\": " << row.threads;
        if (row.adaptive) out << ", \"adaptive\": true";
        out << ", \"load\": " << row.load << ", \"projection\": " << jsonText(projectionModeName(row.projection));
        if (!row.error.empty()) {
            out << ", \"error\": " << jsonText(row.error) << ", \"failed\": " << (row.failed ? "true" : "false") << "}";
            continue;
        }
        out << ", \"step_ms\": " << jsonNumber(row.step.medianMs)
            << ", \"steps_per_s\": " << jsonNumber(stepsPerSecond(row))
            << ", \"cells_per_s\": " << jsonNumber(cellsPerSecond(row))
            << ", \"draw_ms\": " << jsonNumber(row.draw.medianMs) << ", \"step_runs\": " << row.step.runs
            << ", \"draw_runs\": " << row.draw.runs << ", \"divergence_left\": " << jsonNumber(row.divergenceLeft)
            << ", \"peak_rss_mib\": " << jsonNumber(row.peakMiB) << ", \"extras\": {";
        for (size_t e = 0; e < row.extras.size(); ++e)
            out << (e ? ", " : "") << jsonText(row.extras[e].name) << ": " << jsonNumber(row.extras[e].value);
        out << "}";
        if (!row.stages.empty()) out << ", \"stages_ms\": {";
        for (size_t e = 0; e < row.stages.size(); ++e)
            out << (e ? ", " : "") << jsonText(row.stages[e].name) << ": " << jsonNumber(row.stages[e].value);
        out << (row.stages.empty() ? "}" : "}}");
    }
    out << "\n  ],\n  \"speed_ups\": [";
    printSpeedUpsJson(out, SPEED_UP_BASELINE, speedUps(rows));
    out << "\n  ],\n  \"thread_scaling\": [";
    printSpeedUpsJson(out, "one thread", threadScaling(rows));
    out << "\n  ],\n  \"projection_cost\": [";
    printSpeedUpsJson(out, "specified projection", projectionCosts(rows));
    out << "\n  ]\n}\n";
}
