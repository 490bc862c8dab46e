#include "scenario/ScenarioRun.h"

#include <stdexcept>

#include "sim/StepSequence.h"

namespace {

Vec2 nearestCellCentre(const FluidSim2D& sim, Vec2 p) {
    const CellCoord c = sim.worldToCell(p);
    return sim.cellToWorld(c.i, c.j);
}

bool& stageFlag(FluidSim2D& sim, char stage) {
    switch (stage) {
        case 'd': return sim.diffuseEnabled;
        case 'a': return sim.advectEnabled;
        case 'p': return sim.projectEnabled;
        default: throw std::invalid_argument(std::string("no solver stage '") + stage + "'");
    }
}

class Replay {
public:
    Replay(const Scenario& scenario, const std::vector<FluidSim2D*>& sims, ScenarioObserver& observer)
        : mScenario(scenario), mSims(sims), mObserver(observer) {}

    void perform(const Action& a) {
        switch (a.kind) {
            case ActionKind::StepLength: mStepLength = a.seconds; break;
            case ActionKind::Pour:
                for (uint32_t n = 0; n < a.steps; ++n) step(mStepLength, mSims.front()->worldToCell(a.from));
                break;
            case ActionKind::Stroke:
                mStrokes.push_back(a.inCells ? cellStroke(a.cells) : snappedStroke(*mSims.front(), a.from, a.to));
                break;
            case ActionKind::ClearStrokes: mStrokes.clear(); break;
            case ActionKind::Toggle:
                for (FluidSim2D* sim : mSims) stageFlag(*sim, a.stage) = !stageFlag(*sim, a.stage);
                break;
            case ActionKind::Reset:
                for (FluidSim2D* sim : mSims) sim->reset();
                break;
            case ActionKind::Run:
                for (uint32_t n = 0; n < a.steps; ++n) step(mStepLength, NO_POUR);
                break;
            case ActionKind::TimedSteps:
                for (uint64_t n = a.firstStep; n < a.firstStep + a.steps; ++n) {
                    const TimedStep& t = mScenario.timedSteps[n];
                    step(t.seconds, t.pourI == 0 ? NO_POUR : CellCoord{t.pourI, t.pourJ, true});
                }
                break;
            case ActionKind::Picture: mObserver.picture(a.name, mStrokes); break;
        }
    }

private:
    static constexpr CellCoord NO_POUR{0, 0, false};
    const Scenario& mScenario;
    const std::vector<FluidSim2D*>& mSims;
    ScenarioObserver& mObserver;
    std::vector<DragSegment> mStrokes;
    double mStepLength = DEFAULT_STEP_LENGTH;
    uint64_t mStepNumber = 0;

    // The left button is held over `pourCell` when it is valid.
    void step(double seconds, CellCoord pourCell) {
        for (FluidSim2D* sim : mSims) {
            StepInput input;
            input.pouring = pourCell.valid;
            input.pourCell = pourCell;
            input.strokes = &mStrokes;
            advanceSimulation(*sim, seconds, input);
        }
        mObserver.stepped(++mStepNumber, mStrokes);
    }

    // Exactly the segment the window commits: both ends at cell centres, border cells included.
    DragSegment cellStroke(const uint32_t (&cells)[4]) const {
        const FluidSim2D& sim = *mSims.front();
        return {sim.cellToWorld(cells[0], cells[1]), sim.cellToWorld(cells[2], cells[3])};
    }
};

}  // namespace

DragSegment snappedStroke(const FluidSim2D& sim, Vec2 from, Vec2 to) {
    return {nearestCellCentre(sim, from), nearestCellCentre(sim, to)};
}

std::vector<CellStroke> strokesBeforeFirstStep(const Scenario& scenario, const FluidSim2D& sim) {
    std::vector<CellStroke> strokes;
    for (const Action& a : scenario.actions) {
        if (a.kind == ActionKind::Pour || a.kind == ActionKind::Run || a.kind == ActionKind::TimedSteps) break;
        if (a.kind == ActionKind::ClearStrokes) strokes.clear();
        if (a.kind != ActionKind::Stroke) continue;
        const CellCoord from = a.inCells ? CellCoord{a.cells[0], a.cells[1], true} : sim.worldToCell(a.from);
        const CellCoord to = a.inCells ? CellCoord{a.cells[2], a.cells[3], true} : sim.worldToCell(a.to);
        strokes.push_back({from, to, {sim.cellToWorld(from.i, from.j), sim.cellToWorld(to.i, to.j)}});
    }
    return strokes;
}

void runScenario(const Scenario& scenario, const std::vector<FluidSim2D*>& sims, ScenarioObserver& observer) {
    if (sims.empty()) throw std::invalid_argument("a scenario needs at least one simulation");
    for (const FluidSim2D* sim : sims)
        if (sim->resI != scenario.resI || sim->resJ != scenario.resJ)
            throw std::invalid_argument("every simulation must have the scenario's grid size");
    if (!scenario.solids.empty())
        for (FluidSim2D* sim : sims) sim->setSolids(solidCellsOf(*sim, scenario.solids));
    Replay replay(scenario, sims, observer);
    for (const Action& a : scenario.actions) replay.perform(a);
}
