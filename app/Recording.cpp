// The window's side of --record: the recording is made before the window opens, so that
// a file that cannot be written stops the start, and it ends with a picture line at
// every normal exit (the quit keys, and the window closed from outside, where freeglut
// ends the process itself).
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/Shell.h"
#include "gpu/GPUSim.h"
#include "scenario/Recording.h"

namespace {

void finishRecording() {
    if (!recording) return;
    recording->picture();
    recording.reset();
}

// What makes the simulation: the one place the recording's settings are gathered.
Scenario sessionSettings(ProjectionMode projection, const std::vector<SolidShape>& solids) {
    Scenario settings;
    settings.projection = projection;
    settings.resI = sim->resI;
    settings.resJ = sim->resJ;
    settings.solver = dynamic_cast<const GPUSim*>(sim.get()) ? SolverChoice::Shader : SolverChoice::Software;
    settings.solids = solids;
    return settings;
}

}  // namespace

bool startRecording(const std::string& path) {
    try {
        recording = std::make_unique<ScenarioRecording>(path);
        return true;
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "smoke: %s\n", e.what());
        return false;
    }
}

void recordSettings(ProjectionMode projection, const std::vector<SolidShape>& solids) {
    if (!recording) return;
    recording->settings(sessionSettings(projection, solids));
    std::atexit(finishRecording);
}

void discardRecording() {
    if (!recording) return;
    recording->discard();
    recording.reset();
}
