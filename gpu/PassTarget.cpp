#include "gpu/PassTarget.h"

#include <initializer_list>

FramebufferTarget::FramebufferTarget(GLuint framebuffer, GLsizei width, GLsizei height)
    : mSaved(GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT | GL_ENABLE_BIT) {
    mSaved.bindFramebuffer(framebuffer);
    glViewport(0, 0, width, height);
    for (GLenum capability : {GL_BLEND, GL_SCISSOR_TEST, GL_ALPHA_TEST, GL_COLOR_LOGIC_OP}) glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void drawTexturedQuad(float left, float bottom, float right, float top) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, top);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, bottom);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, top);
    glEnd();
}

void drawFullTarget() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawTexturedQuad(0.0f, 0.0f, 1.0f, 1.0f);
}

BoundInputs::~BoundInputs() {
    while (mUnits > 0) {
        glActiveTextureARB(GL_TEXTURE0_ARB + --mUnits);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

void BoundInputs::bind(GLuint texture) {
    glActiveTextureARB(GL_TEXTURE0_ARB + mUnits++);
    glBindTexture(GL_TEXTURE_2D, texture);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}
