#include "bench/BenchScene.h"

#include <GL/glew.h>

#include "gl/GlState.h"
#include "view/Overlays.h"

BenchScene::BenchScene(FluidSim2D& sim)
    : mSim(sim), mStrokes{{{0.35f, 0.25f}, {0.5f, 0.4f}}, {{0.65f, 0.3f}, {0.55f, 0.5f}}} {
    mInput.pouring = true;
    mInput.pourCell = sim.worldToCell({0.5f, 0.5f});
    mInput.strokes = &mStrokes;
}

void BenchScene::step() { advanceSimulation(mSim, BENCH_STEP_TIME, mInput); }

void BenchScene::draw() {
    GlStateGuard saved(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, BENCH_WINDOW_SIZE, BENCH_WINDOW_SIZE);
    useWorldProjection(mSim.worldRect);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    mSim.draw(0);
    glFinish();
}
