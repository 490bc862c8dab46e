// The interactive program: one window, one simulation, GLUT's main loop.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <new>
#include <stdexcept>

#include "app/CommandLine.h"
#include "app/Shell.h"
#include "cli/Conventions.h"
#include "scenario/Scenario.h"

namespace {

constexpr int EXIT_NO_MEMORY = 1;

void openWindow() {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    windowId = glutCreateWindow(WINDOW_TITLE);
    // Its result is not needed: the extension flags it fills decide the solver.
    glewInit();
    registerCallbacks();
}

// A grid too large for this machine ends the run with a message instead of an abort.
bool createSimOrReport(uint32_t resolution, bool useGPU, ProjectionMode projection) {
    try {
        createSim(resolution, useGPU, projection);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fflush(stdout);
    std::fprintf(stderr, "smoke: not enough memory for a %u by %u grid; try a smaller resolution\n",
                 unsigned(resolution), unsigned(resolution));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = answerInformationRequest(argc, argv)) return *status;
    // GLUT takes its own options (-display, -geometry, ...) out of argv first.
    glutInit(&argc, argv);
    CommandLine line;
    if (const std::optional<int> status = readWindowCommandLine(argc, argv, line)) return *status;
    if (!resolutionAccepted(line.resolution)) {
        std::fprintf(stderr, "%s\n", resolutionError(line).c_str());
        return EXIT_BAD_COMMAND_LINE;
    }
    const uint32_t resolution = uint32_t(line.resolution);
    Scenario scene;
    if (!line.scenePath.empty() &&
        !(loadScene(line.scenePath, scene) && sceneFitsGrid(scene, line.scenePath, resolution, resolution)))
        return EXIT_BAD_COMMAND_LINE;
    if (!line.recordPath.empty() && !startRecording(line.recordPath)) return EXIT_BAD_COMMAND_LINE;

    openWindow();
    if (line.forceSoftware) std::printf("Forcing software mode due to command-line switch.\n");
    const bool useGPU = !line.forceSoftware;
    if (!createSimOrReport(resolution, useGPU, line.projection)) {
        discardRecording();
        glutDestroyWindow(windowId);
        return EXIT_NO_MEMORY;
    }
    recordSettings(line.projection, scene.solids);
    startScene(scene);
    printGLInfo();
    // Start-up messages reach a pipe or file now rather than at exit.
    std::fflush(stdout);
    frameTimer.restart();
    glutMainLoop();
    return 0;
}
