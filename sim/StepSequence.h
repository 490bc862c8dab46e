#pragma once
// The one simulation step that every program runs: the interactive window,
// the scenario renderer and the benchmark all go through here.

#include <vector>

#include "sim/FluidSim2D.h"

constexpr float POUR_AMOUNT = 100.0f;
constexpr float STROKE_STRENGTH = 0.0065f;

struct StepInput {
    bool pouring = false;                               // left button held
    CellCoord pourCell{0, 0, false};                    // the cell under the mouse
    const std::vector<DragSegment>* strokes = nullptr;  // committed strokes, oldest first
};

// Pours at the cell, applies every committed stroke, computes the body forces,
// steps by dt, clears the sources and counts the step. Throws std::invalid_argument,
// before touching the simulation, for a dt outside isValidStepLength.
void advanceSimulation(FluidSim2D& sim, double dt, const StepInput& input);
