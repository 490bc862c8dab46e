// What smoke-bench reports: medians, speed-ups side by side, and rows that could not run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bench/BenchReport.h"
#include "bench/Measure.h"

namespace {

BenchRow row(const std::string& solver, uint32_t n, double stepMs, unsigned threads = 0) {
    return {solver, {n, n}, {stepMs, 10}, {2.0, 10}, 50.0, {}, {}, threads, {}};
}

BenchSetting setting() { return {"a processor", "a renderer", "avx2", BenchOptions{}}; }

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

// The thread scaling likewise: the same solver's one-thread step over its step on more.
TEST(BenchReport, SpeedUpIsTheReferenceStepOverTheSolversAtTheSameGrid) {
    const std::vector<BenchRow> rows{row("cpu", 64, 0.5, 1), row("cpu-reference", 64, 6.0), row("cpu", 201, 2.0, 1),
                                     row("cpu", 201, 0.8, 2), row("cpu-reference", 201, 30.0)};
    std::ostringstream json;
    printJson(json, setting(), rows);
    const std::string text = json.str();
    EXPECT_NE(text.find("{\"solver\": \"cpu\", \"threads\": 1, \"baseline\": \"cpu-reference\", \"resI\": 64, "
                        "\"resJ\": 64, \"step\": 12}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"resI\": 201, \"resJ\": 201, \"step\": 15}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"threads\": 2, \"baseline\": \"one thread\", \"resI\": 201, \"resJ\": 201, \"step\": 2.5}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"steps_per_s\": 2000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"cells_per_s\": 8.192e+06"), std::string::npos) << text;

    std::ostringstream table;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("cpu            1       201x201    15.00"), std::string::npos) << table.str();
}

TEST(BenchReport, ARowThatCouldNotRunSaysWhyAndGetsNoSpeedUp) {
    std::vector<BenchRow> rows{row("gpu", 64, 0.0), row("cpu-reference", 64, 6.0)};
    rows[0].error = "no \"shaders\" here";
    std::ostringstream json;
    printJson(json, setting(), rows);
    EXPECT_NE(json.str().find("\"error\": \"no \\\"shaders\\\" here\""), std::string::npos) << json.str();
    EXPECT_EQ(json.str().find("\"baseline\""), std::string::npos) << json.str();
    std::ostringstream table;
    printTable(table, setting(), rows);
    EXPECT_NE(table.str().find("not measured: no \"shaders\" here"), std::string::npos);
}

}  // namespace
