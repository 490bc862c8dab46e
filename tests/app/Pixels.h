#pragma once
// Reading back what a test drew into the window.

#include <GL/glew.h>

#include <vector>

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The bottom-left width by height pixels of a buffer, rows bottom to top.
class Pixels {
public:
    Pixels(int width, int height, GLenum buffer = GL_BACK) : mWidth(width), mHeight(height), mRgb(width * height * 3) {
        glFinish();
        glReadBuffer(buffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, mRgb.data());
    }
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
    int width() const { return mWidth; }
    int height() const { return mHeight; }

private:
    int mWidth;
    int mHeight;
    std::vector<unsigned char> mRgb;
};
