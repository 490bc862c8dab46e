#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdlib>

#include "app/Shell.h"
#include "scenario/Recording.h"

namespace {

constexpr unsigned char ESCAPE = 27;

void toggle(bool& flag) { flag = !flag; }

}  // namespace

void quit() {
    // The simulation goes first: a shader solver must release its GL objects
    // while their context still exists.
    sim.reset();
    glutDestroyWindow(windowId);
    std::exit(0);
}

void keyboard(unsigned char key, int, int) {
    switch (key) {
        case ESCAPE:
        case 'Q':
        case 'q': quit();
        case ' ': toggle(paused); break;
        case 'A':
        case 'a': toggleStage(sim->advectEnabled, 'a'); break;
        case 'C':
        case 'c': toggle(showCellCenters); break;
        case 'D':
        case 'd': toggleStage(sim->diffuseEnabled, 'd'); break;
        case 'F':
        case 'f': toggle(showDragSegments); break;
        case 'P':
        case 'p': toggleStage(sim->projectEnabled, 'p'); break;
        case 'R':
            clearDragSegments();
            resetSimulation();
            break;
        case 'r': resetSimulation(); break;
        case 'S':
        case 's': toggle(scaleArrows); break;
        case 'T':
        case 't': stepSimulation(SINGLE_STEP_SECONDS); break;
        case 'V':
        case 'v': toggle(showVelocity); break;
        default: break;
    }
    glutPostRedisplay();
}

void special(int, int, int) {}

namespace {

Vec2 pointerWorld(int x, int y) {
    const float upward = float(screenRect.height - float(y));
    return mapPoint(float(x), upward, screenRect, sim->worldRect);
}

// Where a drag ends: at the cell under the pointer, or, once the pointer has left the
// window, at the edge cell nearest to it, so that the stroke ends where the pointer
// left rather than in a far corner.
CellCoord dragEndCell(int x, int y) {
    if (mouseCell.valid) return mouseCell;
    const CellCoord c = sim->worldToCell(clampToRect(pointerWorld(x, y), sim->worldRect));
    return {std::clamp(c.i, 1u, sim->resI), std::clamp(c.j, 1u, sim->resJ), true};
}

}  // namespace

void updateMouseCell(int x, int y) { mouseCell = sim->worldToCell(pointerWorld(x, y)); }

void mouse(int button, int state, int x, int y) {
    const bool down = state == GLUT_DOWN;
    if (down) updateMouseCell(x, y);
    if (button == GLUT_LEFT_BUTTON) {
        leftButtonDown = down;
    } else if (button == GLUT_RIGHT_BUTTON) {
        if (down) {
            dragActive = true;
            pendingDragFromCell = pendingDragToCell = mouseCell;
            pendingDrag.from = pendingDrag.to = sim->cellToWorld(mouseCell.i, mouseCell.j);
        } else {
            dragActive = false;
            addDragSegment();
        }
    }
    glutPostRedisplay();
}

void motion(int x, int y) {
    updateMouseCell(x, y);
    if (dragActive) {
        pendingDragToCell = dragEndCell(x, y);
        pendingDrag.to = sim->cellToWorld(pendingDragToCell.i, pendingDragToCell.j);
    }
    glutPostRedisplay();
}

void passiveMotion(int x, int y) {
    updateMouseCell(x, y);
    glutPostRedisplay();
}

void addDragSegment() {
    dragSegments.push_back(pendingDrag);
    if (recording) recording->stroke(pendingDragFromCell, pendingDragToCell);
}

void clearDragSegments() {
    dragSegments.clear();
    if (recording) recording->clearStrokes();
}

void toggleStage(bool& enabled, char stage) {
    toggle(enabled);
    if (recording) recording->toggle(stage);
}

void resetSimulation() {
    sim->reset();
    if (recording) recording->reset();
}
