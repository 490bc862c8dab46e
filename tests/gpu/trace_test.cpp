// The shader solver's console trace: one line per pass in run order, the role
// exchange around the sources pass, the readback, the source clearing, the limit.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/StepSequence.h"
#include "tests/gpu/support/GpuProbe.h"

namespace {

std::vector<std::string> capturedLines(const std::function<void()>& run) {
    testing::internal::CaptureStdout();
    run();
    std::istringstream text(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::string field(const std::string& line, const std::string& key) {
    const size_t start = line.find(key + "=") + key.size() + 1;
    return line.substr(start, line.find(',', start) - start);
}

// The "{tex, attachment}" pairs a role line names, first mFields', then mNewFields'.
std::vector<std::string> rolePairs(const std::string& line) {
    std::vector<std::string> pairs;
    for (size_t open = line.find("= {"); open != std::string::npos; open = line.find("= {", open + 1))
        pairs.push_back(line.substr(open + 2, line.find('}', open) - open - 1));
    return pairs;
}

TEST(StepTrace, ListsEveryPassInRunOrderWithTheRoleExchangeAfterTheSourcesPass) {
    GpuProbe sim(12, 10);
    sim.stepCount = 0;
    sim.addDensity(10, 10, 7.0f);
    const std::string fieldsPair =
        "{" + std::to_string(sim.mFields.tex.name()) + ", " + std::to_string(sim.mFields.attachment) + "}";
    const std::vector<std::string> lines = capturedLines([&] { advanceSimulation(sim, 0.25, StepInput{}); });

    ASSERT_EQ(lines.size(), 44u);
    EXPECT_EQ(lines[0], "START STEP (dt = 0.250000)");
    // Programs in run order: curl, curl gradient, sources, diffusion, then the
    // projections around the advection.
    std::vector<GLhandleARB> programs{sim.mVorticityProgram.name(), sim.mNormCurlGradProgram.name(),
                                      sim.mAddSourcesProgram.name()};
    programs.insert(programs.end(), 10, sim.mDiffuseProgram.name());
    for (const GLhandleARB last : {sim.mAdvectProgram.name(), GLhandleARB(0)}) {
        programs.insert(programs.end(), 10, sim.mDecompProgram.name());
        programs.push_back(sim.mProjectProgram.name());
        if (last != 0) programs.push_back(last);
    }
    std::vector<std::string> passLines(lines.begin() + 1, lines.begin() + 4);
    passLines.insert(passLines.end(), lines.begin() + 6, lines.begin() + 39);
    ASSERT_EQ(passLines.size(), programs.size());
    for (size_t k = 0; k < programs.size(); ++k) {
        EXPECT_EQ(passLines[k].rfind("doPass, attachment=", 0), 0u) << passLines[k];
        EXPECT_EQ(field(passLines[k], "shader"), std::to_string(programs[k])) << "pass " << k;
        EXPECT_EQ(passLines[k].substr(passLines[k].size() - 8), "0.250000") << passLines[k];
    }
    EXPECT_EQ(field(passLines[0], "attachment"), std::to_string(sim.mCurls.attachment));
    EXPECT_EQ(field(passLines[1], "attachment"), std::to_string(sim.mNormCurlGrads.attachment));
    EXPECT_EQ(field(passLines[2], "attachment"), std::to_string(GL_COLOR_ATTACHMENT1_EXT));
    EXPECT_EQ(field(passLines[0], "dtLoc"), "-1");  // the curl shader has no dt
    // The sources pass wrote the other texture, so the two exchange roles after it.
    EXPECT_EQ(lines[4].rfind("before: ", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5].rfind("after: ", 0), 0u) << lines[5];
    const std::vector<std::string> before = rolePairs(lines[4]), after = rolePairs(lines[5]);
    ASSERT_EQ(before.size(), 2u) << lines[4];
    ASSERT_EQ(after.size(), 2u) << lines[5];
    EXPECT_EQ(before[0], fieldsPair);
    EXPECT_EQ(after[0], before[1]);
    EXPECT_EQ(after[1], before[0]);

    char retrieve[80];
    std::snprintf(retrieve, sizeof retrieve, "onRetrieve, mFields = %f, ", sim.getDensity(10, 10));
    EXPECT_EQ(lines[39].rfind(retrieve, 0), 0u) << lines[39];
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 40, lines.end()),
              (std::vector<std::string>{"before clear: mUserSourceValues = 7.000000",
                                        "after clear: mUserSourceValues = 0.000000", "END STEP", ""}));
    sim.stepCount = STEP_LOG_LIMIT - 1;  // the trace falls silent at the limit
    EXPECT_EQ(capturedLines([&] { advanceSimulation(sim, 0.1, StepInput{}); }).size(), 44u);
    EXPECT_EQ(capturedLines([&] { advanceSimulation(sim, 0.1, StepInput{}); }).size(), 0u);
}

}  // namespace
