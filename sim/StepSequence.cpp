#include "sim/StepSequence.h"

#include <cstdio>

void advanceSimulation(FluidSim2D& sim, double dt, const StepInput& input) {
    const int32_t n = sim.stepCount;
    if (n < STEP_LOG_LIMIT) std::printf("START STEP (dt = %f)\n", dt);

    if (input.pouring && input.pourCell.valid) sim.splatDensity(POUR_AMOUNT, input.pourCell.i, input.pourCell.j);
    if (input.strokes) {
        for (const DragSegment& s : *input.strokes) sim.dragVelocity(STROKE_STRENGTH, s.from, s.to);
    }
    sim.applyVorticity(dt);
    sim.step(dt);
    sim.clearSources();
    sim.stepCount += 1;

    if (n < STEP_LOG_LIMIT) std::printf("END STEP\n\n");
}
