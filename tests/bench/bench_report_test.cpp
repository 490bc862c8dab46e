// What smoke-bench reports: medians, speed-ups side by side, and rows that could not run.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <thread>

#include "bench/BenchReport.h"
#include "bench/BenchScene.h"
#include "bench/Measure.h"
#include "cpu/CPUSim.h"

namespace {

BenchRow row(const std::string& solver, uint32_t n, double stepMs, unsigned threads = 0) {
    return {solver, {n, n}, {stepMs, 10}, {2.0, 10}, 50.0, {}, {}, false, threads, {}};
}

BenchSetting setting() { return {"a processor", "a renderer", "avx2", BenchOptions{}}; }

// The benchmark times what a user does most: pouring into the middle of the window.
TEST(BenchScene, PoursIntoTheCentreCell) {
    CPUSim sim(9, 7);
    BenchScene scene(sim);
    scene.step();
    uint32_t densestI = 0, densestJ = 0;
    for (uint32_t j = 1; j <= 7; ++j)
        for (uint32_t i = 1; i <= 9; ++i)
            if (sim.getDensity(i, j) > sim.getDensity(densestI, densestJ)) densestI = i, densestJ = j;
    EXPECT_EQ(densestI, 5u);
    EXPECT_EQ(densestJ, 4u);
}

TEST(BenchMeasure, TheMedianIgnoresOneSlowRun) {
    EXPECT_DOUBLE_EQ(medianOf({2.0, 300.0, 1.0}), 2.0);
    EXPECT_DOUBLE_EQ(medianOf({4.0, 1.0, 900.0, 2.0}), 3.0);
}

TEST(BenchMeasure, WarmUpRunsAreExtraAndTheTimedRunsAtLeastAsMany) {
    int calls = 0;
    const Timing t = timeRepeatedly({2, 5, 0.0}, [&] { ++calls; });
    EXPECT_EQ(t.runs, 5);
    EXPECT_EQ(calls, 7);
}

// --load's threads spin from the start: other threads than this one use processor time
// while it sleeps.
TEST(BenchMeasure, BusyThreadsSpinWhileTheyLive) {
    const auto othersSeconds = [] {
        timespec process{}, self{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &process);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &self);
        return double(process.tv_sec - self.tv_sec) + 1e-9 * double(process.tv_nsec - self.tv_nsec);
    };
    const double before = othersSeconds();
    const BusyThreads busy(1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (othersSeconds() - before < 0.05 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(othersSeconds() - before, 0.05);
}

// The thread scaling likewise: the same solver's one-thread step over its step on more.
TEST(BenchReport, SpeedUpIsTheReferenceStepOverTheSolversAtTheSameGrid) {
    const std::vector<BenchRow> rows{row("cpu", 64, 0.5, 1), row("cpu-reference", 64, 6.0), row("cpu", 201, 2.0, 1),
                                     row("cpu", 201, 0.8, 2), row("cpu-reference", 201, 30.0)};
    std::ostringstream json;
    printJson(json, setting(), rows);
    for (const char* part : {"{\"solver\": \"cpu\", \"threads\": 1, \"load\": 0, \"baseline\": \"cpu-reference\", "
                             "\"resI\": 64, \"resJ\": 64, \"step\": 12}",
                             "\"resI\": 201, \"resJ\": 201, \"step\": 15}",
                             "\"threads\": 2, \"load\": 0, \"baseline\": \"one thread\", \"resI\": 201, \"resJ\": 201, "
                             "\"step\": 2.5}",
                             "\"steps_per_s\": 2000", "\"cells_per_s\": 8.192e+06"})
        EXPECT_NE(json.str().find(part), std::string::npos) << part << " not in " << json.str();

    std::ostringstream table;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("cpu            1       201x201    15.00"), std::string::npos) << table.str();
}

// The adaptive team against one thread, each under the load it was timed with: never a
// busy row against an idle one.
TEST(BenchReport, AnAdaptiveTeamIsComparedWithOneThreadUnderTheSameLoad) {
    std::vector<BenchRow> rows{row("cpu", 201, 1.2, 1), row("cpu", 201, 0.6, 2), row("cpu", 201, 1.3, 1),
                               row("cpu", 201, 1.4, 2)};
    rows[1].adaptive = rows[3].adaptive = true;
    rows[2].load = rows[3].load = 1;
    std::ostringstream table;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("  cpu            auto    0     201x201    2.00\n"), std::string::npos) << table.str();
    EXPECT_NE(table.str().find("  cpu            auto    1     201x201    0.93\n"), std::string::npos) << table.str();
    std::ostringstream json;
    printJson(json, setting(), rows);
    EXPECT_NE(json.str().find(
                  "\"threads\": 2, \"adaptive\": true, \"load\": 1, \"projection\": \"specified\", \"step_ms\": 1.4"),
              std::string::npos)
        << json.str();
}

// A row with the converged projection is set against the specified one of the same
// solver, team and grid, not against another team's; a table without one has no
// projection column.
TEST(BenchReport, TheConvergedProjectionsStepIsSetAgainstTheSpecifiedOnesOfTheSameTeam) {
    std::vector<BenchRow> rows{row("cpu", 512, 4.0, 2), row("cpu", 512, 5.0, 2), row("cpu", 512, 9.0, 1)};
    rows[0].divergenceLeft = 0.994;
    rows[1].projection = ProjectionMode::Converged;
    rows[1].divergenceLeft = 0.000338;
    std::ostringstream json;
    printJson(json, setting(), rows);
    for (const char* part :
         {"\"projection\": \"converged\"", "\"divergence_left\": 0.000338",
          "\"projection_cost\": [\n    {\"solver\": \"cpu\", \"threads\": 2, \"load\": 0, \"baseline\": "
          "\"specified projection\", \"resI\": 512, \"resJ\": 512, \"step\": 1.25}\n  ]"})
        EXPECT_NE(json.str().find(part), std::string::npos) << part << " not in " << json.str();
    std::ostringstream table, plain;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("512x512    converged  5.000"), std::string::npos) << table.str();
    EXPECT_NE(table.str().find("0.0338%"), std::string::npos) << table.str();
    printTable(plain, setting(), {rows[0]});
    EXPECT_EQ(plain.str().find("projection step ms"), std::string::npos) << plain.str();
}

// A solver this machine lacks was not measured; one that ran out of memory failed.
TEST(BenchReport, ARowThatCouldNotRunSaysWhyAndWhetherItFailedAndGetsNoSpeedUp) {
    std::vector<BenchRow> rows{row("gpu", 64, 0.0), row("cpu-reference", 64, 6.0),
                               row("cpu", 8, std::numeric_limits<double>::infinity()), row("cpu", 64, 0.0)};
    rows[0].error = "no \"shaders\" here";
    rows[2].peakMiB = std::nan("");
    rows[3].error = "out of memory";
    rows[3].failed = true;
    BenchSetting odd = setting();
    odd.renderer = "C:\\GL\tdriver";
    std::ostringstream json;
    printJson(json, odd, rows);
    // Still JSON: escapes for a quote, a backslash and a tab, null for numbers that are not finite.
    for (const char* part :
         {"\"error\": \"no \\\"shaders\\\" here\", \"failed\": false", "\"error\": \"out of memory\", \"failed\": true",
          "\"renderer\": \"C:\\\\GL\\u0009driver\"", "\"step_ms\": null", "\"peak_rss_mib\": null"})
        EXPECT_NE(json.str().find(part), std::string::npos) << part << " not in " << json.str();
    for (const char* absent : {"inf", "nan", "\"baseline\""})
        EXPECT_EQ(json.str().find(absent), std::string::npos) << absent << " in " << json.str();
    std::ostringstream table;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("not measured: no \"shaders\" here"), std::string::npos);
    EXPECT_NE(table.str().find("64x64      failed: out of memory"), std::string::npos) << table.str();
    EXPECT_EQ(rowOutcome(rows[2]), "measured");
}

}  // namespace
