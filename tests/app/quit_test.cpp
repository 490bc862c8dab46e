// Quitting: the simulation goes before the window, and the process ends with status 0.
#include <cstdio>
#include <cstdlib>

#include "tests/app/ShellFixture.h"

namespace {

// Reports on standard error whether its window still existed when it was destroyed.
class WitnessSim : public CPUSim {
public:
    WitnessSim() : CPUSim(6, 5) {}
    ~WitnessSim() override {
        std::fprintf(stderr, "simulation destroyed, window %s\n", glutGetWindow() == windowId ? "open" : "gone");
    }
};

void reportWindowAtExit() { std::fprintf(stderr, "at exit, window %s\n", glutGetWindow() == 0 ? "gone" : "open"); }

class QuitTest : public ShellTest, public testing::WithParamInterface<unsigned char> {
protected:
    void SetUp() override {
        // A fresh process per death test: the forked child must not share this one's X connection.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ShellTest::SetUp();
    }
};

TEST_P(QuitTest, DestroysTheSimulationThenTheWindowAndExitsWithZero) {
    EXPECT_EXIT(
        {
            sim = std::make_unique<WitnessSim>();
            std::atexit(reportWindowAtExit);
            keyboard(GetParam(), 10, 10);
            std::fprintf(stderr, "still running\n");
        },
        testing::ExitedWithCode(0), "simulation destroyed, window open\nat exit, window gone\n$");
}

INSTANTIATE_TEST_SUITE_P(QuitKeys, QuitTest, testing::Values(27, 'Q', 'q'));

}  // namespace
