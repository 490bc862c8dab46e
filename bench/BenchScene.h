#pragma once
// What the benchmark times: the application's step, while the user pours smoke at
// the centre and two committed strokes stir the fluid, and the solver's picture.

#include <vector>

#include "sim/FluidSim2D.h"
#include "sim/StepSequence.h"

// One frame at 60 frames per second.
constexpr double BENCH_STEP_TIME = 1.0 / 60.0;
// The program's window, whose size the picture is drawn at.
constexpr int BENCH_WINDOW_SIZE = 800;

class BenchScene {
public:
    explicit BenchScene(FluidSim2D& sim);

    // The whole per-step sequence of the program: pour, strokes, applyVorticity, step, clearSources.
    void step();
    // draw into the window over the world rectangle, waiting until GL has finished it.
    void draw();

private:
    FluidSim2D& mSim;
    std::vector<DragSegment> mStrokes;
    StepInput mInput;
};
