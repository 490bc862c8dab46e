#pragma once
// The window's picture, painted offscreen at any pixel size: black, the
// simulation's own drawing over the world rectangle, then the chosen overlays.

#include <GL/glew.h>

#include <memory>
#include <vector>

#include "sim/FluidSim2D.h"
#include "tools/render/Image.h"

struct OverlayChoice {
    bool velocity = false;
    bool scaleArrows = true;  // the window's default
    bool cellCentres = false;
    bool strokes = false;
};

// The largest picture side accepted; the GL implementation may allow less.
constexpr int MAX_PICTURE_SIDE = 8192;

// An offscreen drawable (a GLX pixel buffer) of one size, in the pixel format of the
// current GL context's window, so that it is painted exactly as that window is: a
// framebuffer object is not (Mesa's software renderer fills window-format surfaces
// through an 8-bit path that rounds colours differently). Painting uses the current
// context and leaves the caller's drawable, framebuffer binding, viewport, matrices,
// clear colour, current colour, draw and read buffers and pixel-store state as they were.
class PictureCanvas {
public:
    // Throws std::runtime_error when the context cannot have a pixel buffer of this size.
    PictureCanvas(int width, int height);
    ~PictureCanvas();
    PictureCanvas(const PictureCanvas&) = delete;
    PictureCanvas& operator=(const PictureCanvas&) = delete;

    Image paint(FluidSim2D& sim, const std::vector<DragSegment>& strokes, const OverlayChoice& overlays);

    int width() const { return mWidth; }
    int height() const { return mHeight; }

private:
    struct Surface;  // the pixel buffer, with what it takes to draw on it
    int mWidth;
    int mHeight;
    std::unique_ptr<Surface> mSurface;
};
