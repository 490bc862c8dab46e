#include "tools/render/ScenarioRun.h"

#include <stdexcept>

#include "sim/StepSequence.h"

namespace {

Vec2 nearestCellCentre(const FluidSim2D& sim, Vec2 p) {
    const CellCoord c = sim.worldToCell(p);
    return sim.cellToWorld(c.i, c.j);
}

bool& stageFlag(FluidSim2D& sim, char stage) {
    switch (stage) {
        case 'd':
            return sim.diffuseEnabled;
        case 'a':
            return sim.advectEnabled;
        case 'p':
            return sim.projectEnabled;
        default:
            throw std::invalid_argument(std::string("no solver stage '") + stage + "'");
    }
}

class Replay {
public:
    Replay(const std::vector<FluidSim2D*>& sims, ScenarioObserver& observer) : mSims(sims), mObserver(observer) {}

    void perform(const Action& a) {
        switch (a.kind) {
            case ActionKind::StepLength:
                mStepLength = a.seconds;
                break;
            case ActionKind::Pour:
                steps(a.steps, true, a.from);
                break;
            case ActionKind::Stroke:
                mStrokes.push_back(snappedStroke(*mSims.front(), a.from, a.to));
                break;
            case ActionKind::ClearStrokes:
                mStrokes.clear();
                break;
            case ActionKind::Toggle:
                for (FluidSim2D* sim : mSims) stageFlag(*sim, a.stage) = !stageFlag(*sim, a.stage);
                break;
            case ActionKind::Reset:
                for (FluidSim2D* sim : mSims) sim->reset();
                break;
            case ActionKind::Run:
                steps(a.steps, false, {0, 0});
                break;
            case ActionKind::Picture:
                mObserver.picture(a.name, mStrokes);
                break;
        }
    }

private:
    const std::vector<FluidSim2D*>& mSims;
    ScenarioObserver& mObserver;
    std::vector<DragSegment> mStrokes;
    double mStepLength = DEFAULT_STEP_LENGTH;
    uint64_t mStepNumber = 0;

    void steps(uint32_t count, bool pouring, Vec2 at) {
        for (uint32_t n = 0; n < count; ++n) {
            for (FluidSim2D* sim : mSims) {
                StepInput input;
                input.pouring = pouring;
                input.pourCell = sim->worldToCell(at);
                input.strokes = &mStrokes;
                advanceSimulation(*sim, mStepLength, input);
            }
            mObserver.stepped(++mStepNumber, mStrokes);
        }
    }
};

}  // namespace

DragSegment snappedStroke(const FluidSim2D& sim, Vec2 from, Vec2 to) {
    return {nearestCellCentre(sim, from), nearestCellCentre(sim, to)};
}

void runScenario(const Scenario& scenario, const std::vector<FluidSim2D*>& sims, ScenarioObserver& observer) {
    if (sims.empty()) throw std::invalid_argument("a scenario needs at least one simulation");
    for (const FluidSim2D* sim : sims)
        if (sim->resI != scenario.resI || sim->resJ != scenario.resJ)
            throw std::invalid_argument("every simulation must have the scenario's grid size");
    if (!scenario.solids.empty())
        for (FluidSim2D* sim : sims) sim->setSolids(solidCellsOf(*sim, scenario.solids));
    Replay replay(sims, observer);
    for (const Action& a : scenario.actions) replay.perform(a);
}
