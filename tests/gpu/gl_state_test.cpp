// Every operation of the shader solver leaves the window's GL state as it found
// it, and the caller's state does not leak into the passes.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "tests/gpu/support/GpuProbe.h"

namespace {

struct WindowState {
    GLint framebuffer, program, activeUnit, drawBuffer, matrixMode;
    GLint bound[4];
    GLint viewport[4];
    GLfloat clearColour[4], projection[16], modelview[16];
    GLboolean blend, scissor;
};

WindowState capture() {
    WindowState s;
    std::memset(&s, 0, sizeof s);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &s.framebuffer);
    s.program = GLint(glGetHandleARB(GL_PROGRAM_OBJECT_ARB));
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &s.activeUnit);
    glGetIntegerv(GL_DRAW_BUFFER, &s.drawBuffer);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    for (GLint unit = 0; unit < 4; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.bound[unit]);
    }
    glActiveTextureARB(GLenum(s.activeUnit));
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColour);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    s.blend = glIsEnabled(GL_BLEND);
    s.scissor = glIsEnabled(GL_SCISSOR_TEST);
    return s;
}

// A window state unlike anything the solver sets: odd viewport, front buffer,
// coloured clear, a moved model-view, blending and a one-pixel scissor.
void setUnusualState() {
    glViewport(7, 9, 111, 77);
    glDrawBuffer(GL_FRONT);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.125f, 0.25f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
}

void restoreDefaultState() {
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDrawBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glLoadIdentity();
}

void expectUnchanged(const WindowState& before, const char* operation) {
    const WindowState after = capture();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << operation << " changed the window's GL state";
    EXPECT_EQ(after.framebuffer, 0) << operation;
    EXPECT_EQ(after.program, 0) << operation;
}

TEST(GlState, EveryOperationLeavesTheWindowStateAsItFoundIt) {
    openTestWindow();
    setUnusualState();
    const WindowState before = capture();
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
    restoreDefaultState();
}

TEST(GlState, CallerBlendingAndScissorDoNotReachThePasses) {
    std::array<Texels, 2> results{Texels(20, 14), Texels(20, 14)};
    for (size_t run = 0; run < 2; ++run) {
        if (run == 1) setUnusualState();
        GpuProbe sim(20, 14);
        std::mt19937 rng(99);
        sim.addSources(randomTexels(20, 14, rng));
        for (int step = 0; step < 2; ++step) {
            sim.applyVorticity(0.1);
            sim.step(0.1);
            sim.clearSources();
        }
        results[run] = sim.read(sim.mFields);
        restoreDefaultState();
    }
    EXPECT_EQ(maxDifference(results[0], results[1], ALL_CHANNELS), 0.0);
}

}  // namespace
