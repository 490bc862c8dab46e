// The two fields textures trade roles once per field pass; reset clears every
// attached texture whatever the roles, and keeps the roles.
#include <gtest/gtest.h>

#include "tests/gpu/support/GpuProbe.h"

namespace {

TEST(FieldRoles, AStepSwapsOncePerFieldPassAndEachAttachmentTravelsWithItsTexture) {
    GpuProbe sim(9, 7);
    const GLuint first = sim.mFields.tex.name();
    EXPECT_EQ(sim.mFields.attachment, GLuint(GL_COLOR_ATTACHMENT0_EXT));
    EXPECT_EQ(sim.mNewFields.attachment, GLuint(GL_COLOR_ATTACHMENT1_EXT));
    for (int flags = 0; flags < 8; ++flags) {
        const int d = flags & 1, a = (flags >> 1) & 1, p = (flags >> 2) & 1;
        setFlags(sim, d, a, p);
        const GLuint before = sim.mFields.tex.name();
        sim.addDensity(4, 4, 10.0f);
        sim.applyVorticity(0.05);
        sim.step(0.05);
        sim.clearSources();
        const int swaps = 1 + d + 2 * p + a;
        EXPECT_EQ(sim.lastSwapCount(), swaps) << "flags " << flags;
        EXPECT_EQ(sim.lastPassCount(), 2 + 1 + 10 * d + 22 * p + a) << "flags " << flags;
        EXPECT_EQ(sim.mFields.tex.name() != before, swaps % 2 == 1) << "flags " << flags;
        EXPECT_EQ(sim.mFields.attachment == GL_COLOR_ATTACHMENT0_EXT, sim.mFields.tex.name() == first);
        EXPECT_EQ(sim.mNewFields.attachment == GL_COLOR_ATTACHMENT0_EXT, sim.mNewFields.tex.name() == first);
    }
}

TEST(FieldRoles, ResetZeroesEveryAttachedTextureWhateverTheRolesAndKeepsThem) {
    for (const bool swapped : {false, true}) {
        GpuProbe sim(10, 6);
        std::mt19937 rng(swapped ? 5 : 6);
        sim.addSources(randomTexels(10, 6, rng));
        sim.applyVorticity(0.1);
        sim.step(0.1);            // all stages: five swaps
        sim.applyVorticity(0.1);  // curls of a moving fluid
        if (swapped) {
            setFlags(sim, false, true, false);
            sim.step(0.1);
        }
        for (const TexAttachment* t : sim.attachedTextures())
            ASSERT_GT(maxMagnitude(sim.read(*t), ALL_CHANNELS), 0.0) << "attachment " << t->attachment << " was never written";
        const GLuint fields = sim.mFields.tex.name();
        sim.reset();
        for (const TexAttachment* t : sim.attachedTextures())
            EXPECT_EQ(maxMagnitude(sim.read(*t), ALL_CHANNELS), 0.0) << "attachment " << t->attachment;
        EXPECT_EQ(sim.mFields.tex.name(), fields);
    }
}

}  // namespace
