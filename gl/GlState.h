#pragma once
// The one scoped GL state guard: for as long as it lives, the chosen attribute
// groups, the matrix mode and the projection and model-view matrices (and, when
// asked, client attribute groups and the framebuffer and renderbuffer bindings)
// are saved; they return on the way out, also when the drawing in between throws.

#include <GL/glew.h>

class GlStateGuard {
public:
    explicit GlStateGuard(GLbitfield attributes, GLbitfield clientAttributes = 0) : mClient(clientAttributes != 0) {
        glPushAttrib(attributes | GL_TRANSFORM_BIT);
        if (mClient) glPushClientAttrib(clientAttributes);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    ~GlStateGuard() {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        if (mClient) glPopClientAttrib();
        glPopAttrib();  // gives back the matrix mode too
        if (mPreviousFramebuffer >= 0) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(mPreviousFramebuffer));
        if (mPreviousRenderbuffer >= 0) glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, GLuint(mPreviousRenderbuffer));
    }
    GlStateGuard(const GlStateGuard&) = delete;
    GlStateGuard& operator=(const GlStateGuard&) = delete;

    // Draws into `framebuffer` until the guard goes; the binding it found comes back then.
    void bindFramebuffer(GLuint framebuffer) {
        if (mPreviousFramebuffer < 0) mPreviousFramebuffer = boundFramebuffer();
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    }

    // The same for the renderbuffer binding.
    void bindRenderbuffer(GLuint renderbuffer) {
        if (mPreviousRenderbuffer < 0) glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &mPreviousRenderbuffer);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    }

    static GLint boundFramebuffer() {
        GLint name = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &name);
        return name;
    }

private:
    bool mClient;
    GLint mPreviousFramebuffer = -1;
    GLint mPreviousRenderbuffer = -1;
};
