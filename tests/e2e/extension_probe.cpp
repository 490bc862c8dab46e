// Prints, one per line and in the order given, each named extension that GLEW
// reports missing on this display (names without the GL_ prefix).
#include <GL/glew.h>

#include <cstdio>
#include <string>

#include "headless/HeadlessGL.h"

int main(int argc, char** argv) {
    headless::openWindow(64, 64, "extension probe");
    for (int k = 1; k < argc; ++k) {
        const std::string name = std::string("GL_") + argv[k];
        if (!glewIsSupported(name.c_str())) std::printf("%s\n", argv[k]);
    }
    return 0;
}
