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

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The bottom-left width by height pixels of the back buffer, read once drawing has finished.
class Pixels {
public:
    Pixels(int width, int height) : mWidth(width), mHeight(height), mRgb(readBackBuffer(width, height)) {}
    // x from the left, y from the bottom.
    Rgb at(int x, int y) const {
        const unsigned char* p = &mRgb[(y * mWidth + x) * 3];
        return {p[0], p[1], p[2]};
    }
    template <class Predicate>
    int count(Predicate matches) const {
        int n = 0;
        for (int y = 0; y < mHeight; ++y)
            for (int x = 0; x < mWidth; ++x) n += matches(at(x, y)) ? 1 : 0;
        return n;
    }

private:
    int mWidth, mHeight;
    std::vector<unsigned char> mRgb;
};
