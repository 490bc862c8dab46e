#pragma once
// Reading back what a test drew into the window.

#include <vector>

#include "tests/support/WindowPixels.h"

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The bottom-left width by height pixels of the back buffer.
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
    int mWidth;
    int mHeight;
    std::vector<unsigned char> mRgb;
};
