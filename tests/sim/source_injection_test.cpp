// Stirring velocity along a stroke with the base loop (the software solver's pour and
// stroke, the density cap included, are checked against an independent solver).
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "cpu/CPUSim.h"
#include "tests/support/NullSim.h"

namespace {

using Cell = std::pair<uint32_t, uint32_t>;

// Records the velocity the base stroke loop asks of a solver.
class RecordingSim : public NullSim {
public:
    using NullSim::NullSim;
    void addVelocity(uint32_t i, uint32_t j, float du, float dv) override { velocitySources[{i, j}] += Vec2{du, dv}; }
    std::map<Cell, Vec2> velocitySources;
};

// The shader solver stirs with the base stroke loop, the software solver with its
// own kernels (checked in turn against an independent solver): the two must add
// the same velocity to the same cells, the last row and column included.
TEST(Stroke, TheBaseLoopAddsWhatTheSoftwareSolversKernelsAdd) {
    const DragSegment strokes[] = {{{0.3f, 0.5f}, {0.7f, 0.5f}},    {{0.7f, 0.6f}, {0.3f, 0.5f}},
                                   {{0.5f, 0.5f}, {0.5f, 0.5f}},    {{-0.1f, -0.1f}, {2.0f, -1.0f}},
                                   {{0.95f, 0.1f}, {0.99f, 0.97f}}, {{0.1f, 0.9f}, {0.12f, 0.1f}}};
    for (auto [resI, resJ] : {std::pair{64u, 48u}, std::pair{5u, 9u}})
        for (const DragSegment& stroke : strokes) {
            RecordingSim base(resI, resJ);
            CPUSim cpu(resI, resJ);
            base.dragVelocity(0.0065f, stroke.from, stroke.to);
            cpu.dragVelocity(0.0065f, stroke.from, stroke.to);
            for (uint32_t i = 0; i <= resI + 1; ++i)
                for (uint32_t j = 0; j <= resJ + 1; ++j) {
                    const Vec2 expected = cpu.velocitySources()(i, j), actual = base.velocitySources[{i, j}];
                    EXPECT_NEAR(actual.x, expected.x, 1e-9f) << resI << "x" << resJ << " cell " << i << "," << j;
                    EXPECT_NEAR(actual.y, expected.y, 1e-9f) << resI << "x" << resJ << " cell " << i << "," << j;
                }
        }
}

}  // namespace
