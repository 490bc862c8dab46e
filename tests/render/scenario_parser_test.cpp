// Reading scenario files: what each line means, and which lines are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cpu/CPUSim.h"
#include "scenario/Scenario.h"
#include "scenario/ScenarioRun.h"
#include "sim/StepSequence.h"

namespace {

Scenario parsedWithoutErrors(const std::string& text) {
    const ParsedScenario p = parseScenario(text);
    EXPECT_TRUE(p.ok()) << describeErrors("scenario", p.errors);
    return p.scenario;
}

TEST(ScenarioParser, ReadsEveryActionWithItsValuesAndLine) {
    const Scenario s = parsedWithoutErrors(
        "# stir, pour and look\r\ngrid 48 30   # wide and low\nsolver both\n\n"
        "dt 0.025\nstroke 0.1 0.25 0.9 0.75\n   pour 0.375 0.125 12\ntoggle D\ntoggle a\ntoggle p\n"
        "clear strokes\nreset\nrun 7\npicture after-reset_2\npicture\n");
    EXPECT_EQ(s.resI, 48u);
    EXPECT_EQ(s.resJ, 30u);
    EXPECT_EQ(s.solver, SolverChoice::Both);
    ASSERT_EQ(s.actions.size(), 11u);

    using K = ActionKind;
    const std::vector<K> kinds{K::StepLength,   K::Stroke, K::Pour, K::Toggle,  K::Toggle, K::Toggle,
                               K::ClearStrokes, K::Reset,  K::Run,  K::Picture, K::Picture};
    for (size_t k = 0; k < kinds.size(); ++k) {
        EXPECT_EQ(s.actions[k].kind, kinds[k]) << "action " << k;
        EXPECT_EQ(s.actions[k].line, int(k) + 5) << "action " << k;
    }
    EXPECT_DOUBLE_EQ(s.actions[0].seconds, 0.025);
    EXPECT_EQ(s.actions[1].from, (Vec2{0.1f, 0.25f}));
    EXPECT_EQ(s.actions[1].to, (Vec2{0.9f, 0.75f}));
    EXPECT_EQ(s.actions[2].from, (Vec2{0.375f, 0.125f}));
    EXPECT_EQ(s.actions[2].steps, 12u);
    EXPECT_EQ(std::string() + s.actions[3].stage + s.actions[4].stage + s.actions[5].stage, "dap");
    EXPECT_EQ(s.actions[8].steps, 7u);
    EXPECT_EQ(s.actions[9].name, "after-reset_2");
    EXPECT_EQ(s.actions[10].name, "picture-2");  // unnamed pictures are numbered among all pictures
    EXPECT_EQ(s.totalSteps(), 19u);
    EXPECT_EQ(s.pictureCount(), 2u);
}

TEST(ScenarioParser, SquareGridFromOneNumberAndTheWorldEdgesAreAccepted) {
    const Scenario s = parsedWithoutErrors("grid 1\nsolver gpu\nprojection converged\npour 0 1 1\nstroke 1 0 0 1\n");
    EXPECT_EQ(s.resI, 1u);
    EXPECT_EQ(s.resJ, 1u);
    EXPECT_EQ(s.solver, SolverChoice::Shader);
    EXPECT_EQ(s.projection, ProjectionMode::Converged);
    EXPECT_EQ(parsedWithoutErrors("projection specified\n").projection, ProjectionMode::FixedSweeps);
    EXPECT_EQ(s.actions[0].from, (Vec2{0.0f, 1.0f}));
    EXPECT_EQ(s.actions[1].to, (Vec2{0.0f, 1.0f}));
}

// Exactly one line refused, with a message that contains `fragment`.
void expectRefusedAt(const std::string& text, int line, const std::string& fragment) {
    const ParsedScenario p = parseScenario(text);
    ASSERT_EQ(p.errors.size(), 1u) << text;
    EXPECT_EQ(p.errors[0].line, line) << text;
    EXPECT_NE(p.errors[0].message.find(fragment), std::string::npos) << p.errors[0].message;
}

// Each malformed line is put third, after two good ones, so that a wrong line
// number cannot pass by accident; a known keyword's line is quoted whole.
TEST(ScenarioParser, SolidShapesAreReadAndMalformedOnesRefusedWithTheirLine) {
    const Scenario s = parsedWithoutErrors("grid 40\nsolid circle 0.5 0.4 0.1\nsolid box 0.9 0.2 0.6 -3\nrun 1\n");
    ASSERT_EQ(s.solids.size(), 2u);
    EXPECT_TRUE(s.solids[0].contains({0.5f, 0.49f}));
    EXPECT_FALSE(s.solids[0].contains({0.5f, 0.51f}));
    EXPECT_TRUE(s.solids[1].contains({0.61f, -2.9f}));  // corners in any order
    EXPECT_FALSE(s.solids[1].contains({0.59f, 0.1f}));
    for (const char* bad : {"solid circle 0.5 0.5 0", "solid circle 0.5 0.5", "solid circle 0.5 nan 0.1",
                            "solid box 0 0 1 1e39", "solid triangle 0 0 1", "solid"})
        expectRefusedAt(std::string("grid 8\n") + bad + "\n", 2, "expected 'solid circle X Y R' or 'solid box");
    expectRefusedAt("run 1\nsolid circle 0.5 0.5 0.1\n", 2, "'solid' must come before the first action (line 1)");
}

TEST(ScenarioParser, MalformedLineOfEachKindIsReportedWithItsLineAndWhatWasExpected) {
    const std::vector<std::pair<std::string, std::string>> cases{
        // the line, part of the message
        {"pur 0.5 0.5 10", "unknown action 'pur'"},
        {"pour 0.5 1.5 10", "expected 'pour X Y STEPS'"},
        {"pour nan 0.5 10", "expected 'pour X Y STEPS'"},
        {"pour 0.5 0.5 0", "expected 'pour X Y STEPS'"},
        {"pour 0.5 0.5 2.5", "expected 'pour X Y STEPS'"},
        {"pour 0.5x 0.5 3", "expected 'pour X Y STEPS'"},
        {"stroke 0.1 0.2 0.3 1.01", "expected 'stroke X1 Y1 X2 Y2'"},
        {"clear density", "expected 'clear strokes'"},
        {"toggle da", "expected 'toggle d|a|p'"},
        {"reset now", "expected 'reset'"},
        {"run -3", "expected 'run STEPS'"},
        {"run 1000001", "expected 'run STEPS'"},
        {"dt 0", "expected 'dt SECONDS'"},
        {"dt 2e30", "expected 'dt SECONDS'"},  // beyond what the solvers take
        {"dt 1e308", "SECONDS a number above 0, at most 1e+30"},
        {"picture ../escape", "expected 'picture [NAME]'"},
        {"picture frame-00001", "expected 'picture [NAME]'"},
        {"picture nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn",
         "expected 'picture [NAME]'"},  // 65 characters
        {"grid 1000000000", "expected 'grid N' or 'grid I J'"},
        {"grid 12.5", "expected 'grid N' or 'grid I J'"},
        {"solver fast", "expected 'solver cpu|gpu|both'"},
        {"step -0.001", "expected 'step SECONDS [I J]'"},
        {"step 2e30 4 5", "expected 'step SECONDS [I J]'"},
        {"step 0.1 4", "expected 'step SECONDS [I J]'"},
        {"step 0.1 0 5", "cell (0, 5) is not on the 201 by 201 grid: pours reach cells 1 to 202"},
        {"step 0.1 5 203", "cell (5, 203) is not on the 201 by 201 grid"},
        {"stroke cells 0 0 202 203", "cell (202, 203) is not on the 201 by 201 grid: strokes end on cells 0 to 202"},
        {"stroke cells 1 2 3 x", "or 'stroke cells I1 J1 I2 J2'"},
        {"projection exact", "expected 'projection converged|specified'"},
    };
    for (const auto& [line, expected] : cases) {
        const std::string text = "\n# fine so far\n" + line + "\nrun 2\n";
        expectRefusedAt(text, 3, expected);
        if (expected.rfind("expected", 0) == 0) expectRefusedAt(text, 3, "got '" + line + "'");
    }
}

// A recording's steps: each with its exact length, pouring into a cell of the grid up to
// its border row; consecutive ones make one action.
TEST(ScenarioParser, TimedStepsKeepTheirLengthsAndCellsAndRunsOfThemAreOneAction) {
    const Scenario s =
        parsedWithoutErrors("grid 5 3\nstep 0\nstep 0.1 6 4\nstep 1e30\nstroke cells 0 0 6 4\nstep 0.25 1 1\n");
    ASSERT_EQ(s.actions.size(), 3u);
    EXPECT_EQ(s.actions[0].kind, ActionKind::TimedSteps);
    EXPECT_EQ(s.actions[0].steps, 3u);
    EXPECT_EQ(s.actions[2].firstStep, 3u);
    EXPECT_EQ(s.actions[2].line, 6);
    EXPECT_EQ(s.totalSteps(), 4u);
    EXPECT_EQ(s.firstCellLine, 3);
    ASSERT_EQ(s.timedSteps.size(), 4u);
    EXPECT_EQ(s.timedSteps[0].pourI, 0u);
    EXPECT_EQ(s.timedSteps[1].seconds, 0.1);
    EXPECT_EQ(s.timedSteps[1].pourI, 6u);
    EXPECT_EQ(s.timedSteps[1].pourJ, 4u);
    EXPECT_EQ(s.timedSteps[2].seconds, 1e30);
    EXPECT_TRUE(s.actions[1].inCells);
    EXPECT_EQ(std::vector<uint32_t>(s.actions[1].cells, s.actions[1].cells + 4), (std::vector<uint32_t>{0, 0, 6, 4}));
}

TEST(ScenarioParser, EveryMalformedLineIsReportedNotOnlyTheFirst) {
    const ParsedScenario p = parseScenario("run 3\nrun x\npicture\nstroke 1\npour 0 0 1\nzoom 2\n");
    ASSERT_EQ(p.errors.size(), 3u);
    EXPECT_EQ(p.errors[0].line, 2u);
    EXPECT_EQ(p.errors[1].line, 4u);
    EXPECT_EQ(p.errors[2].line, 6u);
    EXPECT_EQ(describeErrors("stir.txt", p.errors).substr(0, 11), "stir.txt:2:");
}

// A binary or hostile file: a few errors, counted beyond; nothing unprintable quoted;
// a byte-order mark named rather than taken for part of the first word.
TEST(ScenarioParser, ErrorsOfAFileThatIsNoScenarioAreFewShortAndPrintable) {
    std::string text = "run 2\n";
    for (int k = 0; k < 40; ++k) text += "\x1b]2;title\x07 \x1b[2J " + std::string(200, 'w') + "\n";
    const ParsedScenario p = parseScenario(text);
    ASSERT_EQ(p.errors.size(), 6u);
    EXPECT_EQ(p.errors[0].message.rfind("unknown action '\\x1b]2;title\\x07'", 0), 0u) << p.errors[0].message;
    EXPECT_EQ(p.errors[5].message, "and 35 more lines that do not fit");
    EXPECT_EQ(describeErrors("x", p.errors).find('\x1b'), std::string::npos);
    expectRefusedAt("run 1\nrun \x9b" + std::string(100, '7') + "\n", 2,
                    "got 'run \\x9b" + std::string(75, '7') + "...'");
    const ParsedScenario marked = parseScenario("\xef\xbb\xbfgrid 7\nrun 1\n");
    ASSERT_EQ(marked.errors.size(), 1u);
    EXPECT_NE(marked.errors[0].message.find("UTF-8 byte-order mark"), std::string::npos) << marked.errors[0].message;
    EXPECT_EQ(marked.scenario.resI, 7u);
}

TEST(ScenarioParser, PictureNamesTakeEveryLetterAndDigitToTheEndsOfTheirRanges) {
    EXPECT_EQ(parsedWithoutErrors("picture az-AZ_09zZ\n").actions[0].name, "az-AZ_09zZ");
}

TEST(ScenarioParser, GridOrSolverAfterTheSimulationStartedIsRefused) {
    expectRefusedAt("dt 0.1\nrun 4\ngrid 32\n", 3, "before the first action (line 1)");
    expectRefusedAt("solver cpu\n\nsolver gpu\n", 3, "already set on line 1");
    expectRefusedAt("pour 0.5 0.5 3\nprojection converged\n", 2, "before the first action (line 1)");
}

TEST(ScenarioParser, TwoPicturesOfOneNameAreRefusedSoNeitherFileIsLost) {
    expectRefusedAt("picture plume\nrun 1\npicture plume\n", 3, "'plume' is already used on line 1");

    // An unnamed second picture is "picture-2": a name written by hand can clash with it.
    expectRefusedAt("picture picture-2\npicture\n", 2, "'picture-2' is already used on line 1");
}

// A file is read a mebibyte at a time; a line longer than any scenario needs keeps
// its first 4096 bytes wherever a piece ends, here 2048 bytes into it.
TEST(ScenarioParser, AnOverlongLineAcrossTwoPiecesOfTheFileIsCutWhereItIsCutElsewhere) {
    const std::string path = testing::TempDir() + "scenario_parser_test_long_line.txt";
    std::ofstream(path) << std::string((1 << 20) - 2049, '#') + "\nrun 3" + std::string(4091, ' ') + "junk\n";
    const ParsedScenario p = loadScenario(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(p.ok()) << describeErrors(path, p.errors);
    EXPECT_EQ(p.scenario.totalSteps(), 3u);
}

// Each step costs the software solver something however small the grid, so steps
// alone can make a run too long.
TEST(ScenarioParser, StepsOfAOneCellGridOnTheSoftwareSolverCountTowardsTheLimit) {
    Scenario scenario;
    scenario.resI = scenario.resJ = 1;
    Action run;
    run.steps = 4000000000u;
    scenario.actions.assign(60, run);  // 2.85 days at 1.025 microseconds a step
    EXPECT_EQ(runRefusal(scenario), "");
    scenario.actions.resize(65, run);
    EXPECT_NE(runRefusal(scenario).find("would take some 3.08 days"), std::string::npos) << runRefusal(scenario);
}

TEST(ScenarioParser, TheExampleScenariosAreValid) {
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SMOKE_SOURCE_DIR) + "/examples")) {
        const ParsedScenario p = loadScenario(entry.path().string());
        EXPECT_TRUE(p.ok()) << describeErrors(entry.path().string(), p.errors);
        EXPECT_GT(p.scenario.pictureCount(), 0u) << entry.path();
        ++examples;
    }
    EXPECT_GE(examples, 2);
}

struct Silent : ScenarioObserver {
    void picture(const std::string&, const std::vector<DragSegment>&) override {}
    void stepped(uint64_t, const std::vector<DragSegment>&) override {}
};

TEST(ScenarioReplay, EachActionReachesEverySolver) {
    CPUSim a(12, 9), b(12, 9);
    Silent silent;
    auto replay = [&](const std::string& text) {
        runScenario(parseScenario("grid 12 9\n" + text).scenario, {&a, &b}, silent);
    };
    replay("dt 0.05\nstroke 0.2 0.5 0.8 0.5\npour 0.25 0.75 2\n");
    for (CPUSim* sim : {&a, &b}) {
        EXPECT_GT(sim->getDensity(3, 7), 0.0f);
        EXPECT_GT(sim->getVelocity(6, 5).x, 0.0f);
        EXPECT_EQ(sim->stepCount, 6u);
    }
    // Cleared strokes no longer stir, a reset leaves nothing, a plain run pours nothing.
    replay("stroke 0.2 0.5 0.8 0.5\nclear strokes\nreset\ntoggle a\ntoggle p\nrun 3\n");
    for (CPUSim* sim : {&a, &b}) {
        for (uint32_t c = 0; c < sim->density().size(); ++c) {
            ASSERT_EQ(sim->density()[c], 0.0f) << "cell " << c;
            ASSERT_EQ(sim->velocity()[c], (Vec2{0, 0})) << "cell " << c;
        }
        EXPECT_TRUE(sim->diffuseEnabled);
        EXPECT_FALSE(sim->advectEnabled);
        EXPECT_FALSE(sim->projectEnabled);
    }
}

std::vector<float> densities(const CPUSim& sim) {
    std::vector<float> values;
    for (uint32_t c = 0; c < sim.density().size(); ++c) values.push_back(sim.density()[c]);
    return values;
}

TEST(ScenarioReplay, ADtLineSetsTheLengthOfTheStepsAfterIt) {
    CPUSim replayed(10, 7), stepped(10, 7);
    Silent silent;
    runScenario(parseScenario("grid 10 7\ndt 0.3\npour 0.4 0.6 5\n").scenario, {&replayed}, silent);
    StepInput pour;
    pour.pouring = true;
    pour.pourCell = stepped.worldToCell({0.4f, 0.6f});
    for (int n = 0; n < 5; ++n) advanceSimulation(stepped, 0.3, pour);
    EXPECT_EQ(densities(replayed), densities(stepped));
}

}  // namespace
