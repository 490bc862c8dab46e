// smoke-bench's command line: what it accepts, and that it refuses the rest with a reason.
#include <gtest/gtest.h>

#include <stdexcept>

#include "bench/BenchOptions.h"

namespace {

TEST(BenchOptions, SquareAndNonSquareGridsSolversAndTiming) {
    const BenchOptions o = parseBenchOptions(
        {"--res", "7,300x20", "--solvers", "cpu,cpu-reference", "--steps", "3", "--seconds", "0.25", "--warmup", "0",
         "--json", "--threads", "1,3", "--stages"});
    ASSERT_EQ(o.grids.size(), 2u);
    EXPECT_EQ(o.grids[0].resI, 7u);
    EXPECT_EQ(o.grids[0].resJ, 7u);
    EXPECT_EQ(o.grids[1].resI, 300u);
    EXPECT_EQ(o.grids[1].resJ, 20u);
    ASSERT_EQ(o.solvers.size(), 2u);
    EXPECT_EQ(o.solvers[1], "cpu-reference");
    EXPECT_EQ(o.minSteps, 3);
    EXPECT_DOUBLE_EQ(o.minSeconds, 0.25);
    EXPECT_EQ(o.warmupSteps, 0);
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.threads, (std::vector<unsigned>{1, 3}));
    EXPECT_TRUE(o.stages);
}

TEST(BenchOptions, NonsenseIsRefusedInsteadOfGuessed) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--res"},
                                               {"--res", "0"},
                                               {"--res", "12x"},
                                               {"--res", "-5"},
                                               {"--res", "99999999999"},
                                               {"--res", "20000"},
                                               {"--res", ""},
                                               {"--steps", "0"},
                                               {"--steps", "2.5"},
                                               {"--seconds", "-1"},
                                               {"--seconds", "nan"},
                                               {"--solvers", ""},
                                               {"--threads", "0"},
                                               {"--threads", "2,x"},
                                               {"--fast"}}) {
        EXPECT_THROW(parseBenchOptions(args), std::invalid_argument) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
}

}  // namespace
