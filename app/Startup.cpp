#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <utility>

#include "app/Shell.h"

std::string missingExtensionsReport(const std::vector<std::string>& missing) {
    std::string text =
        "Forcing software mode because your computer does\n"
        "not support the following required OpenGL extensions:\n";
    for (const std::string& name : missing) text += name + "\n";
    return text;
}

void registerCallbacks() {
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(passiveMotion);
    glutMouseFunc(mouse);
    glutSpecialFunc(special);
    glutIdleFunc(idle);
}

namespace {

void printGLString(const char* label, GLenum name) {
    const GLubyte* text = glGetString(name);
    if (text) std::printf("%s: %s\n", label, reinterpret_cast<const char*>(text));
}

// Texturing on the active unit replaces the fragment colour; with no texture
// bound the unit is incomplete and plain vertex colours show.
void enableReplaceTexturing() {
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

void setUpTextureUnits() {
    // GLEW leaves the unit selector null when multitexturing is not offered; then
    // only unit 0, active from the start, can be set up, and the software solver
    // needs no other.
    if (glActiveTextureARB == nullptr) {
        enableReplaceTexturing();
        return;
    }
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTextureARB(unit);
        enableReplaceTexturing();
    }
    glActiveTextureARB(GL_TEXTURE0);
}

}  // namespace

void printGLInfo() {
    std::printf("OpenGL Information:\n");
    std::printf("-------------------\n");
    printGLString("Vendor", GL_VENDOR);
    printGLString("Renderer", GL_RENDERER);
    printGLString("Version", GL_VERSION);
    setUpTextureUnits();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}
