#pragma once
// The window's GL state that drawing code must give back as it found it, and an
// unusual setting of it that no drawing code would choose itself.

#include <GL/glew.h>

#include <cstring>

struct GlStateSnapshot {
    GLint framebuffer, renderbuffer, program, activeUnit, drawBuffer, matrixMode, packAlignment;
    GLint bound[4], viewport[4];
    GLfloat clearColour[4], colour[4], projection[16], modelview[16];
    GLboolean blend, scissor, texturing;

    static GlStateSnapshot now() {
        GlStateSnapshot s;
        std::memset(&s, 0, sizeof s);
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &s.framebuffer);
        glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &s.renderbuffer);
        s.program = GLint(glGetHandleARB(GL_PROGRAM_OBJECT_ARB));
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &s.activeUnit);
        glGetIntegerv(GL_DRAW_BUFFER, &s.drawBuffer);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_PACK_ALIGNMENT, &s.packAlignment);
        for (GLint unit = 0; unit < 4; ++unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.bound[unit]);
        }
        glActiveTextureARB(GLenum(s.activeUnit));
        glGetIntegerv(GL_VIEWPORT, s.viewport);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColour);
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
        s.blend = glIsEnabled(GL_BLEND);
        s.scissor = glIsEnabled(GL_SCISSOR_TEST);
        s.texturing = glIsEnabled(GL_TEXTURE_2D);
        return s;
    }
    bool operator==(const GlStateSnapshot& o) const { return std::memcmp(this, &o, sizeof o) == 0; }

    // An odd viewport, the front buffer, a coloured clear, a skewed projection, a
    // moved model-view, a colour, texturing, blending and a one-pixel scissor.
    static void setUnusual() {
        glViewport(7, 9, 111, 77);
        glDrawBuffer(GL_FRONT);
        glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
        glColor3f(0.2f, 0.4f, 0.6f);
        glPixelStorei(GL_PACK_ALIGNMENT, 8);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -3, 3, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0.125f, 0.25f, 0.0f);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 1, 1);
    }
    // Back to what the other tests of the process expect.
    static void setUsual() {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glDisable(GL_SCISSOR_TEST);
        glDrawBuffer(GL_BACK);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glColor3f(1.0f, 1.0f, 1.0f);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glLoadIdentity();
    }
};
