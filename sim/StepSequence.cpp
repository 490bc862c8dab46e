#include "sim/StepSequence.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "sim/Limits.h"

void advanceSimulation(FluidSim2D& sim, double dt, const StepInput& input) {
    if (!isValidStepLength(dt))
        throw std::invalid_argument("a step of " + std::to_string(dt) + " s; steps run from 0 to " +
                                    std::to_string(MAX_STEP_SECONDS) + " s");
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
