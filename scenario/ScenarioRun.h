#pragma once
// Replays a scenario on one or more simulations in lockstep. Every step goes
// through advanceSimulation, the same call sequence the window runs, so a
// scenario does exactly what the same mouse and key actions would do.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/FluidSim2D.h"
#include "scenario/Scenario.h"

// Told what happens while a scenario runs; pictures are taken here.
class ScenarioObserver {
public:
    virtual ~ScenarioObserver() = default;
    // A `picture` line, with the strokes committed at that moment.
    virtual void picture(const std::string& name, const std::vector<DragSegment>& strokes) = 0;
    // After every step of every simulation; `stepNumber` counts from 1 over the whole scenario.
    virtual void stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) = 0;
};

// A stroke between two world positions, each end moved to the centre of the
// nearest cell, as the right mouse button lays it.
DragSegment snappedStroke(const FluidSim2D& sim, Vec2 from, Vec2 to);

// A stroke as the window commits it: between the centres of two cells, border cells
// included, which the recording names.
struct CellStroke {
    CellCoord from;
    CellCoord to;
    DragSegment segment;
};

// The strokes a scenario has laid before its first step, on `sim`'s grid: what a
// scene (smoke --scene) starts the window with, beside the scenario's solids.
std::vector<CellStroke> strokesBeforeFirstStep(const Scenario& scenario, const FluidSim2D& sim);

// Runs every action on every simulation (all of the scenario's grid size), one step
// of each before the next step of any.
void runScenario(const Scenario& scenario, const std::vector<FluidSim2D*>& sims, ScenarioObserver& observer);
