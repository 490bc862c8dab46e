#include "view/Overlays.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

float speed(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }

void shadedLine(Vec2 from, Vec2 to, const float (&fromColour)[3], const float (&toColour)[3]) {
    glColor3fv(fromColour);
    glVertex2f(from.x, from.y);
    glColor3fv(toColour);
    glVertex2f(to.x, to.y);
}

const float BLACK[3] = {0.0f, 0.0f, 0.0f};
const float YELLOW[3] = {1.0f, 1.0f, 0.0f};
const float CYAN[3] = {0.0f, 1.0f, 1.0f};

}  // namespace

void useWorldProjection(const Rect& world) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(world.x, world.right(), world.y, world.top(), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void drawVelocityArrows(FluidSim2D& sim, bool scaleArrows) {
    float fastest = 0.0f;
    for (uint32_t i = 1; i <= sim.resI; ++i)
        for (uint32_t j = 1; j <= sim.resJ; ++j) fastest = std::max(fastest, speed(sim.getVelocity(i, j)));
    if (std::fabs(fastest) < ARROW_SPEED_THRESHOLD) return;

    const float cellSize = std::min(sim.worldRect.width / float(sim.resI), sim.worldRect.height / float(sim.resJ));
    glBegin(GL_LINES);
    for (uint32_t i = 1; i <= sim.resI; ++i) {
        for (uint32_t j = 1; j <= sim.resJ; ++j) {
            const Vec2 v = sim.getVelocity(i, j);
            const float s = speed(v);
            if (std::fabs(s) < ARROW_SPEED_THRESHOLD) continue;
            const float divisor = scaleArrows ? fastest : s;
            const Vec2 arrow{v.x / divisor * cellSize, v.y / divisor * cellSize};
            const Vec2 tail = sim.cellToWorld(i, j) - arrow / 2.0f;
            shadedLine(tail, tail + arrow, BLACK, YELLOW);
        }
    }
    glEnd();
}

void drawCellCentres(const FluidSim2D& sim) {
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_POINTS);
    for (uint32_t i = 1; i <= sim.resI; ++i) {
        for (uint32_t j = 1; j <= sim.resJ; ++j) {
            const Vec2 c = sim.cellToWorld(i, j);
            glVertex2f(c.x, c.y);
        }
    }
    glEnd();
}

void drawSolids(const FluidSim2D& sim) {
    if (!sim.solids().any()) return;
    const float w = sim.worldRect.width / float(sim.resI), h = sim.worldRect.height / float(sim.resJ);
    glColor3fv(SOLID_COLOUR);
    glBegin(GL_QUADS);
    for (const SolidCells::Run& run : sim.solids().runs()) {
        // The lower left corner of the first cell and the upper right of the last.
        const Vec2 low = mapPoint(float(run.firstI) - 0.5f, float(run.j) - 0.5f, sim.gridRect, sim.worldRect);
        const float right = low.x + w * float(run.lastI - run.firstI + 1);
        glVertex2f(low.x, low.y + h);
        glVertex2f(low.x, low.y);
        glVertex2f(right, low.y);
        glVertex2f(right, low.y + h);
    }
    glEnd();
}

void drawStrokes(const std::vector<DragSegment>& strokes, const DragSegment* pending) {
    glBegin(GL_LINES);
    for (const DragSegment& s : strokes) shadedLine(s.from, s.to, BLACK, CYAN);
    if (pending) shadedLine(pending->from, pending->to, BLACK, CYAN);
    glEnd();
}
