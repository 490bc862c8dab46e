// A long, rough run: whatever the user does, the fields stay finite and the smoke never negative.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "cpu/CPUSim.h"
#include "sim/StepSequence.h"

namespace {

TEST(LongRun, DensityStaysNonNegativeAndEverythingFinite) {
    CPUSim sim(48, 31);
    std::mt19937 rng(2026);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> beyond(-0.3f, 1.3f);
    std::uniform_real_distribution<double> dt(0.001, 0.25);
    std::vector<DragSegment> strokes;

    for (int n = 0; n < 600; ++n) {
        if (n % 40 == 0) {
            const unsigned flags = unsigned(n / 40) % 8;
            sim.diffuseEnabled = flags & 1;
            sim.advectEnabled = flags & 2;
            sim.projectEnabled = flags & 4;
        }
        if (n % 25 == 0) {
            strokes.push_back({{beyond(rng), beyond(rng)}, {beyond(rng), beyond(rng)}});
            const Vec2 p = sim.cellToWorld(1 + rng() % 48, 1 + rng() % 31);
            strokes.push_back({p, p});  // a click without a drag
        }
        if (n % 150 == 149) strokes.clear();
        if (n == 333) sim.reset();
        StepInput input;
        input.pouring = unit(rng) < 0.6f;
        input.pourCell = sim.worldToCell({beyond(rng), beyond(rng)});
        input.strokes = &strokes;
        // Strong strokes too, so that the flow is fast enough to leave the domain in a step.
        for (const DragSegment& s : strokes) sim.dragVelocity(0.5f, s.from, s.to);
        advanceSimulation(sim, dt(rng), input);

        for (uint32_t j = 0; j <= sim.resJ + 1; ++j)
            for (uint32_t i = 0; i <= sim.resI + 1; ++i) {
                const float d = sim.getDensity(i, j);
                const Vec2 v = sim.getVelocity(i, j);
                ASSERT_TRUE(std::isfinite(d) && std::isfinite(v.x) && std::isfinite(v.y))
                    << "step " << n << " cell " << i << "," << j;
                ASSERT_GE(d, 0.0f) << "step " << n << " cell " << i << "," << j;
            }
    }
}

}  // namespace
