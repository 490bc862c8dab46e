#pragma once
// Where the shader solver's passes draw: one framebuffer at its textures' size, with
// nothing between the fragment and the texel, and one quad over it.

#include <GL/glew.h>

#include "gl/GlState.h"

// For as long as it lives, drawing goes into `framebuffer` at width by height, with
// nothing between the fragment and the texel (no blending, scissor, alpha test or
// logic op); afterwards the caller's state and framebuffer return.
class FramebufferTarget {
public:
    FramebufferTarget(GLuint framebuffer, GLsizei width, GLsizei height);

private:
    GlStateGuard mSaved;
};

// For as long as it lives, each texture given to bind() is bound on the next texture
// unit, from unit 0 on, with unit 0 left active; afterwards every unit it used is
// empty again and unit 0 active.
class BoundInputs {
public:
    BoundInputs() = default;
    BoundInputs(const BoundInputs&) = delete;
    BoundInputs& operator=(const BoundInputs&) = delete;
    ~BoundInputs();
    void bind(GLuint texture);

private:
    GLint mUnits = 0;
};

// One quad with texture coordinates 0 to 1 over the given rectangle, corners in
// the order upper left, lower left, lower right, upper right.
void drawTexturedQuad(float left, float bottom, float right, float top);

// The quad over the whole target, in the current draw buffer, with the pass's own
// matrices (inside a FramebufferTarget, which gives the caller's back).
void drawFullTarget();
