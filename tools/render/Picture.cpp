#include "tools/render/Picture.h"

#include <GL/glx.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "view/Overlays.h"
#include "gl/GlState.h"

// A GLX pixel buffer in the current context's configuration, destroyed with its owner.
struct PictureCanvas::Surface {
    Display* display = glXGetCurrentDisplay();
    GLXContext context = glXGetCurrentContext();
    GLXPbuffer pbuffer = 0;

    Surface(int width, int height) {
        if (!display || !context) throw std::runtime_error("no current GL context to paint pictures with");
        int id = 0;
        glXQueryContext(display, context, GLX_FBCONFIG_ID, &id);
        const int wanted[] = {GLX_FBCONFIG_ID, id, None};
        int found = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &found);
        if (!configs || found < 1) throw std::runtime_error("the GL context has no configuration for pixel buffers");
        const GLXFBConfig config = configs[0];
        XFree(configs);
        int widest = 0, tallest = 0;
        glXGetFBConfigAttrib(display, config, GLX_MAX_PBUFFER_WIDTH, &widest);
        glXGetFBConfigAttrib(display, config, GLX_MAX_PBUFFER_HEIGHT, &tallest);
        accept(width, std::min(widest, MAX_PICTURE_SIDE), "width");
        accept(height, std::min(tallest, MAX_PICTURE_SIDE), "height");
        const int size[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, GLX_PRESERVED_CONTENTS, True, None};
        pbuffer = glXCreatePbuffer(display, config, size);
        if (!pbuffer)
            throw std::runtime_error("cannot make a " + std::to_string(width) + " by " + std::to_string(height) +
                                     " picture buffer");
    }
    ~Surface() {
        if (pbuffer) glXDestroyPbuffer(display, pbuffer);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    static void accept(int side, int limit, const char* which) {
        if (side < 1 || side > limit)
            throw std::runtime_error(std::string("picture ") + which + " " + std::to_string(side) +
                                     " is outside 1 to " + std::to_string(limit));
    }
};

namespace {

// The pixel buffer is current while this lives; the caller's drawables come back after.
class DrawingOn {
public:
    DrawingOn(Display* display, GLXContext context, GLXDrawable surface)
        : mDisplay(display), mContext(context), mDraw(glXGetCurrentDrawable()), mRead(glXGetCurrentReadDrawable()) {
        if (!glXMakeContextCurrent(display, surface, surface, context))
            throw std::runtime_error("cannot draw on the picture buffer");
    }
    ~DrawingOn() { glXMakeContextCurrent(mDisplay, mDraw, mRead, mContext); }
    DrawingOn(const DrawingOn&) = delete;
    DrawingOn& operator=(const DrawingOn&) = delete;

private:
    Display* mDisplay;
    GLXContext mContext;
    GLXDrawable mDraw;
    GLXDrawable mRead;
};

// The window's view: the whole world rectangle over the whole viewport.
void useWorldView(const FluidSim2D& sim, int width, int height) {
    glViewport(0, 0, width, height);
    useWorldProjection(sim.worldRect);
    glLoadIdentity();
}

void drawOverlays(FluidSim2D& sim, const std::vector<DragSegment>& strokes, const OverlayChoice& overlays) {
    if (overlays.velocity) drawVelocityArrows(sim, overlays.scaleArrows);
    if (overlays.cellCentres) drawCellCentres(sim);
    if (overlays.strokes) drawStrokes(strokes, nullptr);
}

// GL rows come bottom-up; image rows top-down.
Image readPixels(int width, int height) {
    std::vector<uint8_t> rows(size_t(width) * size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    Image image(width, height);
    const size_t rowBytes = size_t(width) * 3;
    for (int y = 0; y < height; ++y) std::copy_n(&rows[size_t(height - 1 - y) * rowBytes], rowBytes, image.pixel(0, y));
    return image;
}

constexpr GLbitfield PAINTED_STATE = GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT;

// The state every painting starts from: the pixel buffer's back buffer, no framebuffer object.
void useBackBuffer(GlStateGuard& saved) {
    saved.bindFramebuffer(0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
}

}  // namespace

PictureCanvas::PictureCanvas(int width, int height)
    : mWidth(width), mHeight(height), mSurface(std::make_unique<Surface>(width, height)) {
    // Mesa's software renderer takes its slower, differently rounding path for the first
    // drawing a context does; one flat quadrilateral now keeps the pictures on the path
    // the window's frames take.
    DrawingOn on(mSurface->display, mSurface->context, mSurface->pbuffer);
    GlStateGuard saved(PAINTED_STATE | GL_ENABLE_BIT);
    useBackBuffer(saved);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor3f(0.5f, 0.5f, 0.5f);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glFinish();
}

PictureCanvas::~PictureCanvas() = default;

Image PictureCanvas::paint(FluidSim2D& sim, const std::vector<DragSegment>& strokes, const OverlayChoice& overlays) {
    // Everything painting changes, given back on the way out even when the
    // simulation's drawing throws.
    DrawingOn on(mSurface->display, mSurface->context, mSurface->pbuffer);
    GlStateGuard saved(PAINTED_STATE, GL_CLIENT_PIXEL_STORE_BIT);
    useBackBuffer(saved);
    useWorldView(sim, mWidth, mHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    // A drawing that switches framebuffers would leave this one black: say so rather
    // than hand back an empty picture.
    if (GlStateGuard::boundFramebuffer() != 0)
        throw std::runtime_error("the simulation's drawing left the picture buffer");
    drawSolids(sim);
    drawOverlays(sim, strokes, overlays);
    return readPixels(mWidth, mHeight);
}
