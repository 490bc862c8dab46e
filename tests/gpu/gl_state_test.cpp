// Every operation of the shader solver leaves the window's GL state as it found
// it, and the caller's state does not leak into the passes.
#include <gtest/gtest.h>

#include <array>

#include "tests/gpu/support/GpuProbe.h"
#include "tests/support/GlStateSnapshot.h"

namespace {

void expectUnchanged(const GlStateSnapshot& before, const char* operation) {
    const GlStateSnapshot after = GlStateSnapshot::now();
    EXPECT_TRUE(after == before) << operation << " changed the window's GL state";
    EXPECT_EQ(after.framebuffer + after.program, 0) << operation;
}

TEST(GlState, EveryOperationLeavesTheWindowStateAsItFoundIt) {
    openTestWindow();
    GlStateSnapshot::setUnusual();
    const GlStateSnapshot before = GlStateSnapshot::now();
    {
        GpuProbe sim(17, 11);
        expectUnchanged(before, "construction");
        sim.addDensity(5, 5, 30.0f);
        sim.applyVorticity(0.1);
        expectUnchanged(before, "applyVorticity");
        sim.step(0.1);
        expectUnchanged(before, "step");
        sim.clearSources();
        sim.draw(1);
        expectUnchanged(before, "draw");
        sim.reset();
        expectUnchanged(before, "reset");
    }
    expectUnchanged(before, "destruction");
    GlStateSnapshot::setUsual();
}

TEST(GlState, CallerBlendingAndScissorDoNotReachThePasses) {
    std::array<Texels, 2> results{Texels(20, 14), Texels(20, 14)};
    for (size_t run = 0; run < 2; ++run) {
        if (run == 1) GlStateSnapshot::setUnusual();
        GpuProbe sim(20, 14);
        std::mt19937 rng(99);
        sim.addSources(randomTexels(20, 14, rng));
        for (int step = 0; step < 2; ++step) {
            sim.applyVorticity(0.1);
            sim.step(0.1);
            sim.clearSources();
        }
        results[run] = sim.read(sim.mFields);
        GlStateSnapshot::setUsual();
    }
    EXPECT_EQ(maxDifference(results[0], results[1], ALL_CHANNELS), 0.0);
}

}  // namespace
