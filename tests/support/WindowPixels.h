#pragma once
// Drawing into the test window as the program's display does, and reading it back.

#include <GL/glew.h>

#include <vector>

// The window's world view: the unit square over the whole window, identity model-view.
inline void useUnitSquareView(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The back buffer once drawing has finished: RGB, bottom row first.
inline std::vector<unsigned char> readBackBuffer(int width, int height) {
    glFinish();
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}
