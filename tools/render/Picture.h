#pragma once
// The window's picture, painted offscreen at any pixel size: black, the
// simulation's own drawing over the world rectangle, then the chosen overlays.

#include <GL/glew.h>

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

// Owns one GL object name and deletes it once, with the deleter of its kind.
class GLObject {
public:
    using Deleter = void (*)(GLuint);
    GLObject(GLuint id, Deleter deleter) : mId(id), mDeleter(deleter) {}
    ~GLObject() { mDeleter(mId); }
    GLObject(const GLObject&) = delete;
    GLObject& operator=(const GLObject&) = delete;
    GLuint id() const { return mId; }

private:
    GLuint mId;
    Deleter mDeleter;
};

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
    GLObject mColour;  // a renderbuffer; declared first, so it outlives the framebuffer it is attached to
    GLObject mFramebuffer;
};
