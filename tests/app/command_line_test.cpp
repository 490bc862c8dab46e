// Reading the options, the grid resolution and the software switch from the command line.
#include <gtest/gtest.h>

#include <vector>

#include "app/CommandLine.h"
#include "sim/Numbers.h"

namespace {

struct Case {
    std::vector<const char*> arguments;
    int64_t resolution;
    bool forceSoftware, accepted;
};

TEST(CommandLine, ResolutionAndSwitchForEachShapeOfCommandLine) {
    const Case cases[] = {
        {{}, 201, false, true},
        {{"96"}, 96, false, true},
        {{"1"}, 1, false, true},
        {{"-s"}, 201, true, true},
        {{"-s", "64"}, 64, true, true},
        {{"128", "64"}, 128, false, true},  // a second argument after a number is ignored
        {{"-s", "40", "7"}, 40, true, true},
        {{"12abc"}, 12, false, true},      // leading digits count, as with atoi
        {{"-s5", "64"}, 0, false, false},  // only the exact two characters are the switch
        {{"-S"}, 0, false, false},
        {{"0"}, 0, false, false},
        {{"-s", "x9"}, 0, true, false},
        {{"4094"}, 4094, false, true},
        {{"4095"}, 4095, false, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"smoke"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const CommandLine line = parseCommandLine(int(argv.size()), argv.data());
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0];
        EXPECT_EQ(line.resolution, c.resolution) << shown;
        EXPECT_EQ(line.forceSoftware, c.forceSoftware) << shown;
        EXPECT_EQ(resolutionAccepted(line.resolution), c.accepted) << shown;
    }
}

// Options come first, "--name value" or "--name=value"; after the resolution arguments
// a word is the ignored second argument, as before.
TEST(CommandLine, TheProjectionOptionComesBeforeTheResolutionArguments) {
    struct OptionCase {
        std::vector<const char*> arguments;
        ProjectionMode projection;
        int64_t resolution;
        bool forceSoftware;
    };
    const OptionCase cases[] = {
        {{"--projection", "converged", "-s", "64"}, ProjectionMode::Converged, 64, true},
        {{"--projection=converged", "96"}, ProjectionMode::Converged, 96, false},
        {{"--projection", "specified"}, ProjectionMode::FixedSweeps, 201, false},
        {{"64", "--projection", "converged"}, ProjectionMode::FixedSweeps, 64, false},
    };
    for (const OptionCase& c : cases) {
        std::vector<const char*> argv{"smoke"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        CommandLine line;
        EXPECT_EQ(readWindowCommandLine(int(argv.size()), argv.data(), line), std::nullopt) << c.arguments[0];
        EXPECT_EQ(line.projection, c.projection) << c.arguments[0];
        EXPECT_EQ(line.resolution, c.resolution) << c.arguments[0];
        EXPECT_EQ(line.forceSoftware, c.forceSoftware) << c.arguments[0];
    }
}

TEST(CommandLine, AProjectionOptionWithoutAKnownModeIsAMistake) {
    CommandLine line;
    const char* unknown[] = {"smoke", "--projection", "fast", "64"};
    EXPECT_EQ(readWindowCommandLine(4, unknown, line), 2);
    const char* missing[] = {"smoke", "--projection"};
    EXPECT_EQ(readWindowCommandLine(2, missing, line), 2);
}

TEST(CommandLine, AHugeNumberSaturatesInsteadOfWrappingIntoRange) {
    // 2^64 + 100 wraps to 100 in a 64-bit accumulator, 2^32 + 64 to 64 in a 32-bit one.
    for (const char* huge : {"18446744073709551716", "4294967360", "-18446744073709551516"})
        EXPECT_FALSE(resolutionAccepted(leadingInteger(huge))) << huge;
}

}  // namespace
