#include "tools/render/Picture.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/Overlays.h"
#include "gl/GlState.h"

namespace {

// Checked before any GL object is made, so that a context without framebuffer
// objects is reported instead of calling through a null entry point.
int acceptedSide(int side, const char* which) {
    if (!GLEW_EXT_framebuffer_object)
        throw std::runtime_error("this OpenGL has no framebuffer objects (EXT_framebuffer_object)");
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest);
    const int limit = largest < MAX_PICTURE_SIDE ? int(largest) : MAX_PICTURE_SIDE;
    if (side < 1 || side > limit)
        throw std::runtime_error(std::string("picture ") + which + " " + std::to_string(side) + " is outside 1 to " +
                                 std::to_string(limit));
    return side;
}

// The window's view: the whole world rectangle over the whole viewport.
void useWorldView(const FluidSim2D& sim, int width, int height) {
    const Rect& w = sim.worldRect;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(w.x, float(w.x + w.width), w.y, float(w.y + w.height), -1, 1);
    glMatrixMode(GL_MODELVIEW);
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

}  // namespace

PictureCanvas::PictureCanvas(int width, int height)
    : mWidth(acceptedSide(width, "width")),
      mHeight(acceptedSide(height, "height")),
      mColour(GlRenderbuffer::generate()),
      mFramebuffer(GlFramebuffer::generate()) {
    GlStateGuard saved(0);
    saved.bindRenderbuffer(mColour.name());
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGB8, mWidth, mHeight);
    saved.bindFramebuffer(mFramebuffer.name());
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, mColour.name());
    if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT)
        throw std::runtime_error("cannot make a " + std::to_string(mWidth) + " by " + std::to_string(mHeight) +
                                 " picture framebuffer");
}

Image PictureCanvas::paint(FluidSim2D& sim, const std::vector<DragSegment>& strokes, const OverlayChoice& overlays) {
    // Everything painting changes, given back on the way out even when the
    // simulation's drawing throws.
    GlStateGuard saved(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT, GL_CLIENT_PIXEL_STORE_BIT);
    saved.bindFramebuffer(mFramebuffer.name());
    useWorldView(sim, mWidth, mHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    // A drawing that switches framebuffers would leave this one black: say so rather
    // than hand back an empty picture.
    if (GlStateGuard::boundFramebuffer() != GLint(mFramebuffer.name()))
        throw std::runtime_error("the simulation's drawing left the picture framebuffer");
    drawSolids(sim);
    drawOverlays(sim, strokes, overlays);
    return readPixels(mWidth, mHeight);
}
