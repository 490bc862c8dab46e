// What --record writes while the window runs: a line for every change to the
// simulation, in the order it took effect, that replays to the window's own fields.
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/app/ShellFixture.h"
#include "scenario/Recording.h"
#include "scenario/ScenarioRun.h"

namespace {

struct Silent : ScenarioObserver {
    void picture(const std::string&, const std::vector<DragSegment>&) override {}
    void stepped(uint64_t, const std::vector<DragSegment>&) override {}
};

class RecordingTest : public ShellTest {
protected:
    const std::string path = testing::TempDir() + "recording_test_session.txt";

    void SetUp() override {
        ShellTest::SetUp();
        use(9, 6, 900, 600);  // 100-pixel cells
        ASSERT_TRUE(startRecording(path));
        // A scene: its solids are settings, its stroke the first line after them.
        const Scenario scene = parseScenario("solid circle 0.3 0.62 0.15\nstroke 0.95 0.1 0.5 0.5\nrun 1\n").scenario;
        recordSettings(ProjectionMode::FixedSweeps, scene.solids);
        startScene(scene);
    }
    void TearDown() override {
        ::recording.reset();
        std::remove(path.c_str());
        ShellTest::TearDown();
    }
    // The file once the recording is closed, without its first line (a comment).
    std::string recorded() {
        ::recording.reset();
        std::ifstream in(path);
        std::string comment;
        std::getline(in, comment);
        EXPECT_EQ(comment[0], '#');
        std::stringstream rest;
        rest << in.rdbuf();
        return rest.str();
    }
    void rightDrag(int x0, int y0, int x1, int y1) {
        mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, x0, y0);
        motion(x1, y1);
        mouse(GLUT_RIGHT_BUTTON, GLUT_UP, x1, y1);
    }
};

TEST_F(RecordingTest, EveryChangeIsALineAndTheReplayEndsOnTheWindowsFieldsBitForBit) {
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, pixelX(3), pixelY(2));
    stepSimulation(0.0173);
    stepSimulation(0.0);  // a frame too short for the clock
    motion(899, 0);       // the top pixel row maps to the border row: cell (9, 7)
    stepSimulation(1.0 / 3.0);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 899, 0);
    rightDrag(899, 0, -50, 300);                // leaves the window: ends on the edge cell (1, 4)
    rightDrag(-10, 700, pixelX(5), pixelY(3));  // pressed outside the domain: starts at cell (0, 0)
    keyboard('t', 0, 0);
    keyboard('D', 0, 0);
    keyboard(' ', 0, 0);  // pause and overlays change nothing the replay needs
    keyboard('v', 0, 0);
    stepSimulation(0.021);
    keyboard('r', 0, 0);
    stepSimulation(0.0094);
    keyboard('R', 0, 0);
    keyboard('p', 0, 0);
    rightDrag(pixelX(2), pixelY(5), pixelX(8), pixelY(1));
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, pixelX(4), pixelY(5));
    for (double dt : {0.013, 0.029}) stepSimulation(dt);
    EXPECT_GT(totalDensity(), 0.0f);

    const std::string lines = recorded();
    EXPECT_EQ(lines,
              "grid 9 6\nsolver cpu\nsolid circle 0.300000012 0.620000005 0.150000006\nstroke cells 9 1 5 4\n"
              "step 0.0173 3 2\nstep 0 3 2\nstep 0.3333333333333333 9 7\n"
              "stroke cells 9 7 1 4\nstroke cells 0 0 5 3\nstep 0.1\ntoggle d\nstep 0.021\nreset\nstep 0.0094\n"
              "clear strokes\nreset\ntoggle p\nstroke cells 2 5 8 1\nstep 0.013 4 5\nstep 0.029 4 5\n");

    const ParsedScenario parsed = parseScenario(lines);
    ASSERT_TRUE(parsed.ok()) << describeErrors("recording", parsed.errors);
    RecordingSim replayed(9, 6);
    Silent silent;
    runScenario(parsed.scenario, {&replayed}, silent);
    EXPECT_EQ(replayed.stepTimes, recording().stepTimes);
    const size_t cells = size_t(11) * 8;
    EXPECT_EQ(std::memcmp(replayed.density().data(), recording().density().data(), cells * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(replayed.velocity().data(), recording().velocity().data(), cells * sizeof(Vec2)), 0);
    EXPECT_EQ(replayed.projectEnabled, sim->projectEnabled);
    EXPECT_EQ(replayed.diffuseEnabled, sim->diffuseEnabled);
}

TEST_F(RecordingTest, StepLengthsReadBackToTheSameDouble) {
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> frame(0.0, 0.2);
    std::vector<double> lengths{0.1, 1.0 / 3.0, 5e-324, 2.2250738585072014e-308, 1e30, std::nextafter(0.05, 1.0)};
    for (int k = 0; k < 1000; ++k) lengths.push_back(frame(random));
    for (double dt : lengths) ::recording->step(dt, {0, 0, false});
    const ParsedScenario parsed = parseScenario(recorded());
    ASSERT_TRUE(parsed.ok()) << describeErrors("recording", parsed.errors);
    ASSERT_EQ(parsed.scenario.timedSteps.size(), lengths.size());
    for (size_t k = 0; k < lengths.size(); ++k)
        EXPECT_EQ(parsed.scenario.timedSteps[k].seconds, lengths[k]) << exactSeconds(lengths[k]);
}

}  // namespace
