#pragma once
// One owner per GL object: a name that is deleted exactly once, when its owner
// goes or is reset. Moving hands the name over; copying is refused.

#include <GL/glew.h>

#include <utility>

template <class Kind>
class GlObject {
public:
    GlObject() = default;
    explicit GlObject(GLuint name) : mName(name) {}
    GlObject(GlObject&& other) noexcept : mName(std::exchange(other.mName, 0)) {}
    GlObject& operator=(GlObject&& other) noexcept {
        if (this != &other) {
            reset();
            mName = std::exchange(other.mName, 0);
        }
        return *this;
    }
    GlObject(const GlObject&) = delete;
    GlObject& operator=(const GlObject&) = delete;
    ~GlObject() { reset(); }

    GLuint name() const { return mName; }
    void reset() {
        if (mName != 0) Kind::destroy(mName);
        mName = 0;
    }

private:
    GLuint mName = 0;
};

struct TextureKind {
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct FramebufferKind {
    static void destroy(GLuint name) { glDeleteFramebuffersEXT(1, &name); }
};
// Shader and program objects share one deletion entry point.
struct ShaderObjectKind {
    static void destroy(GLhandleARB name) { glDeleteObjectARB(name); }
};

struct ShaderKind : ShaderObjectKind {};
struct ProgramKind : ShaderObjectKind {};

using GlTexture = GlObject<TextureKind>;
using GlFramebuffer = GlObject<FramebufferKind>;
using GlShader = GlObject<ShaderKind>;
using GlProgram = GlObject<ProgramKind>;
