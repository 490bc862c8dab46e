#pragma once
// The window's picture, painted offscreen at any pixel size: black, the
// simulation's own drawing over the world rectangle, then the chosen overlays.

#include <GL/glew.h>

#include <vector>

#include "gl/GlObjects.h"
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

// An offscreen RGB framebuffer of one size in the current GL context. Painting
// leaves the caller's framebuffer binding, viewport, matrices, clear colour,
// current colour and pixel-store state as they were.
class PictureCanvas {
public:
    // Throws std::runtime_error when the context has no framebuffer objects or
    // cannot make one of this size.
    PictureCanvas(int width, int height);

    Image paint(FluidSim2D& sim, const std::vector<DragSegment>& strokes, const OverlayChoice& overlays);

    int width() const { return mWidth; }
    int height() const { return mHeight; }

private:
    int mWidth;
    int mHeight;
    GlRenderbuffer mColour;  // declared first, so it outlives the framebuffer it is attached to
    GlFramebuffer mFramebuffer;
};
