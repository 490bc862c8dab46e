#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>

#include "view/Overlays.h"
#include "gl/GlState.h"
#include "app/Shell.h"

void reshape(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    screenRect.width = float(width);
    screenRect.height = float(height);
    useWorldProjection(sim->worldRect);
}

namespace {

std::string formatTextList(const char* format, va_list args) {
    char text[TEXT_BUFFER_SIZE];
    // vsnprintf stops at the buffer's end, terminator included, and reports what it
    // would have written; the text is simply what fitted.
    if (std::vsnprintf(text, sizeof text, format, args) < 0) text[0] = '\0';
    return text;
}

}  // namespace

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatTextList(format, args);
    va_end(args);
    return text;
}

int drawText(int32_t x, int32_t y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = formatTextList(format, args);
    va_end(args);

    GlStateGuard saved(GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    // Pixels, y downward, with text row 0 one line below the top edge.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    GLfloat viewport[4];
    glGetFloatv(GL_VIEWPORT, viewport);
    glOrtho(0.0, viewport[2], viewport[3] - TEXT_LINE_OFFSET, -TEXT_LINE_OFFSET, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glRasterPos2f(float(x), float(y));
    for (const char c : text) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, c);
    return int(text.size());
}

void drawVelocityOverlay() { drawVelocityArrows(*sim, scaleArrows); }

void drawCellCenters() { drawCellCentres(*sim); }

void drawDragSegments() { drawStrokes(dragSegments, dragActive ? &pendingDrag : nullptr); }
