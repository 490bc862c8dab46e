// Two solvers side by side: both pictures, their difference image and the
// relative difference of the fields at every picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "RenderFolder.h"
#include "cpu/CPUSim.h"
#include "tests/support/SetFields.h"
#include "headless/HeadlessGL.h"
#include "tools/render/FieldComparison.h"
#include "tools/render/Image.h"
#include "tools/render/PictureWriter.h"
#include "tools/render/Solvers.h"

namespace {

const char* const SHORT_SCENARIO =
    "grid 24 18\ndt 0.05\npicture start\nstroke 0.2 0.3 0.8 0.5\npour 0.4 0.25 6\npicture poured\n"
    "run 10\npicture stirred\n";

struct Difference {
    std::string name;
    double density;
    double velocity;
};

std::vector<Difference> differencesIn(const std::string& report) {
    std::vector<Difference> found;
    for (const std::string& line : linesOf(report)) {
        char name[80];
        Difference d;
        if (std::sscanf(line.c_str(), "difference %79[^:]: density %lf velocity %lf", name, &d.density, &d.velocity) ==
            3) {
            d.name = name;
            found.push_back(d);
        }
    }
    return found;
}

class SolverComparison : public RenderFolder {
protected:
    // A scenario (the short one unless given) on two software solvers through the
    // picture writer; the differences it reports.
    std::vector<Difference> compare(CPUSim& left, CPUSim& right, const char* text = SHORT_SCENARIO) {
        headless::openWindow(64, 64, "comparison test");
        PictureCanvas canvas(48, 36);
        OverlayChoice overlays;
        overlays.strokes = true;
        std::ostringstream report;
        PictureWriter writer({{"left", &left}, {"right", &right}}, canvas, overlays, dir.string(), 0, report);
        runScenario(parseScenario(text).scenario, {&left, &right}, writer);
        return differencesIn(report.str());
    }
    bool blackDifferenceImage(const std::string& picture) {
        const Image diff = readPng(path(picture + "-diff.png"));
        return diff.rgb == std::vector<uint8_t>(diff.rgb.size(), 0);
    }
};

// The same actions on two software solvers, one without diffusion: alike until
// the first step, then apart.
TEST_F(SolverComparison, EachPictureShowsBothSolversTheirDifferenceImageAndTheFieldsGap) {
    CPUSim left(24, 18), right(24, 18);
    right.diffuseEnabled = false;
    const std::vector<Difference> differences = compare(left, right);
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_EQ(differences[0].name, "start");
    EXPECT_EQ(differences[1].name, "poured");
    EXPECT_EQ(differences[0].density + differences[0].velocity, 0.0);
    EXPECT_GT(differences[2].density, 0.05);
    EXPECT_GT(differences[2].velocity, 0.0);
    EXPECT_EQ(fileText(dir / "start-left.png"), fileText(dir / "start-right.png"));
    EXPECT_TRUE(blackDifferenceImage("start"));
    EXPECT_FALSE(blackDifferenceImage("stirred"));
    EXPECT_EQ(filesIn("").size(), 9u);
    EXPECT_EQ(filesIn("").count("stirred-right.png") + filesIn("").count("poured-diff.png"), 2u);
}

// A solver whose fields went to NaN stops the run at the next picture, which names
// the picture and the step, instead of writing a picture of nothing.
TEST_F(SolverComparison, FieldsGoneNonFiniteStopThePicturesNamingPictureAndStep) {
    CPUSim left(24, 18), right(24, 18);
    right.addDensity(5, 5, std::nanf(""));
    right.step(0.05);
    try {
        compare(left, right, "grid 24 18\nrun 4\npicture late\n");
        ADD_FAILURE() << "pictures of NaN fields were written";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(
            std::string(e.what()).find("the right solver's fields are not finite at picture 'late', after step 4"),
            std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(filesIn("").empty());
}

// The half-written files of a run killed while writing go at the next run into the
// folder that writes those names (numbered frames whatever their number); the
// files of other names stay.
TEST_F(SolverComparison, ARunRemovesHalfWrittenFilesOfItsOwnNamesLeftByAKilledRun) {
    for (const char* name : {"poured-left.png.part", "stirred-diff.png.part", "frame-00042-right.png.part",
                             "poured.png.part", "other.png.part", "frame-00001.png"})
        scenario(name, "half");
    headless::openWindow(64, 64, "comparison test");
    CPUSim left(24, 18), right(24, 18);
    PictureCanvas canvas(8, 8);
    std::ostringstream report;
    PictureWriter writer({{"left", &left}, {"right", &right}}, canvas, {}, dir.string(), 5, report);
    writer.removeStaleParts(parseScenario(SHORT_SCENARIO).scenario);
    EXPECT_EQ(filesIn(""), (std::set<std::string>{"poured.png.part", "other.png.part", "frame-00001.png"}));
}

// The shader solver against the software one, through the program as a person
// runs it. Skipped while the build has no shader solver.
TEST_F(SolverComparison, ShaderSolverStaysWithinItsBoundOfTheSoftwareSolver) {
    const std::string file = scenario("short.txt", SHORT_SCENARIO);
    const ProgramResult r = render({"--solver", "both", "--size", "48x36", "--out", path("out"), file});
    if (r.exitCode != 0 && r.err.find("not available") != std::string::npos)
        GTEST_SKIP() << "no shader solver here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<Difference> differences = differencesIn(r.out);
    ASSERT_EQ(differences.size(), 3u) << r.out;
    for (const Difference& d : differences) {
        EXPECT_LT(d.density, SHADER_AGREEMENT_BOUND) << d.name;
        EXPECT_LT(d.velocity, SHADER_AGREEMENT_BOUND) << d.name;
    }
    EXPECT_EQ(filesIn("out").size(), 9u);
    EXPECT_EQ(filesIn("out").count("stirred-gpu.png"), 1u);
}

// |a - b| / max(|a|, |b|) in the 2-norm, the same either way round; NaN is never close.
TEST(FieldComparison, RelativeDifferenceIsTheNormOfTheGapOverTheLargerField) {
    CPUSim a(7, 5), b(7, 5), other(5, 7);
    auto velocity = [](float scale) {
        return [=](uint32_t i, uint32_t j) { return Vec2{float(i) - 3.0f, float(j) * 0.5f} * scale; };
    };
    auto density = [](float scale) { return [=](uint32_t i, uint32_t j) { return (float(i * j) + 1.0f) * scale; }; };
    setFields(a, velocity(1.0f), density(1.0f));
    setFields(b, velocity(1.25f), density(0.5f));
    for (const FieldDifference& d : {relativeDifference(a, b), relativeDifference(b, a)}) {
        EXPECT_NEAR(d.density, 0.5, 1e-6);           // |a - a/2| / |a|
        EXPECT_NEAR(d.velocity, 0.25 / 1.25, 1e-6);  // |1.25v - v| / |1.25v|
    }
    b.addDensity(2, 3, std::nanf(""));
    b.step(0.0);
    EXPECT_TRUE(std::isnan(relativeDifference(a, b).density));
    EXPECT_THROW(relativeDifference(a, other), std::invalid_argument);
}

// One cell gone non-finite in the last column or row alone stops the pictures too.
TEST_F(SolverComparison, ANonFiniteCellInTheLastColumnOrRowIsSeen) {
    for (const auto& [badI, badJ] : {std::pair{9u, 2u}, {3u, 5u}}) {
        CPUSim sim(9, 5);
        setFields(
            sim,
            [](uint32_t, uint32_t) {
                return Vec2{0.0f, 0.0f};
            },
            [&](uint32_t i, uint32_t j) { return i == badI && j == badJ ? NAN : 0.5f; });
        EXPECT_FALSE(fieldsAreFinite(sim)) << badI << "," << badJ;
    }
}

}  // namespace
