// The window's side of --scene: a scenario file's solids and the strokes it lays
// before its first step, read before the window opens (a file that does not read is
// refused then) and put in place once the simulation exists. The window's own grid
// applies; the file's other lines are read for mistakes and otherwise ignored.
#include <cstdio>

#include "app/Shell.h"
#include "scenario/Recording.h"
#include "scenario/ScenarioRun.h"

bool loadScene(const std::string& path, Scenario& scene) {
    const ParsedScenario parsed = loadScenario(path);
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s", describeErrors(path, parsed.errors).c_str());
        return false;
    }
    scene = parsed.scenario;
    return true;
}

bool sceneFitsGrid(const Scenario& scene, const std::string& path, uint32_t resI, uint32_t resJ) {
    if (scene.firstCellLine == 0 || (scene.resI == resI && scene.resJ == resJ)) return true;
    std::fprintf(stderr, "%s:%d: names cells of a %u by %u grid; the window has %u by %u\n", path.c_str(),
                 scene.firstCellLine, unsigned(scene.resI), unsigned(scene.resJ), unsigned(resI), unsigned(resJ));
    return false;
}

void startScene(const Scenario& scene) {
    if (!scene.solids.empty()) sim->setSolids(solidCellsOf(*sim, scene.solids));
    for (const CellStroke& stroke : strokesBeforeFirstStep(scene, *sim)) {
        dragSegments.push_back(stroke.segment);
        if (recording) recording->stroke(stroke.from, stroke.to);
    }
}
