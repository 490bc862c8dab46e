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

    // A new name of this kind, owned.
    static GlObject generate() { return GlObject(Kind::generate()); }

    GLuint name() const { return mName; }
    void reset() {
        if (mName != 0) Kind::destroy(mName);
        mName = 0;
    }

private:
    GLuint mName = 0;
};

// One new name from a glGen* entry point.
template <class Generate>
GLuint newName(Generate generate) {
    GLuint name = 0;
    generate(1, &name);
    return name;
}

struct TextureKind {
    static GLuint generate() { return newName(glGenTextures); }
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct FramebufferKind {
    static GLuint generate() { return newName(glGenFramebuffersEXT); }
    static void destroy(GLuint name) { glDeleteFramebuffersEXT(1, &name); }
};
struct RenderbufferKind {
    static GLuint generate() { return newName(glGenRenderbuffersEXT); }
    static void destroy(GLuint name) { glDeleteRenderbuffersEXT(1, &name); }
};
struct QueryKind {
    static GLuint generate() { return newName(glGenQueries); }
    static void destroy(GLuint name) { glDeleteQueries(1, &name); }
};
// Shader and program objects share one deletion entry point; each is made by its
// own call, with arguments, so they have no generate().
struct ShaderObjectKind {
    static void destroy(GLhandleARB name) { glDeleteObjectARB(name); }
};

struct ShaderKind : ShaderObjectKind {};
struct ProgramKind : ShaderObjectKind {};

using GlTexture = GlObject<TextureKind>;
using GlFramebuffer = GlObject<FramebufferKind>;
using GlRenderbuffer = GlObject<RenderbufferKind>;
using GlQuery = GlObject<QueryKind>;
using GlShader = GlObject<ShaderKind>;
using GlProgram = GlObject<ProgramKind>;
