#include <GL/glew.h>
#include <GL/freeglut.h>

#include "view/Overlays.h"
#include "app/Shell.h"
#include "sim/StepSequence.h"
#include "scenario/Recording.h"

void idle() {
    const double dt = frameTimer.elapsed();
    fpsAverager.addFrame(dt);
    if (!paused) stepSimulation(dt);
    glutPostRedisplay();
}

void stepSimulation(double dt) {
    advanceSimulation(*sim, dt, StepInput{leftButtonDown, mouseCell, &dragSegments});
    if (recording) recording->step(dt, leftButtonDown ? mouseCell : CellCoord{0, 0, false});
}

std::string fpsLine() { return formatText("FPS: %.3f", fpsAverager.average()); }

std::string mouseLine() {
    if (!mouseCell.valid) return "Mouse pos: INVALID";
    return formatText("Mouse pos: (%u, %u)", unsigned(mouseCell.i), unsigned(mouseCell.j));
}

std::string modeLine() {
    return formatText("Mode: %s%s%s", sim->diffuseEnabled ? "D" : "", sim->advectEnabled ? "A" : "",
                      sim->projectEnabled ? "P" : "");
}

void display() {
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    sim->draw(1);
    drawSolids(*sim);
    if (showVelocity) drawVelocityOverlay();
    if (showCellCenters) drawCellCenters();
    if (showDragSegments) drawDragSegments();
    glColor3f(0.0f, 1.0f, 0.0f);
    drawText(0, 0, "%s", fpsLine().c_str());
    drawText(0, 18, "%s", mouseLine().c_str());
    drawText(0, 36, "%s", modeLine().c_str());
    glutSwapBuffers();
}
