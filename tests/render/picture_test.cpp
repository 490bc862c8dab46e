// Pictures painted offscreen: the window's picture pixel for pixel, overlays only as
// chosen, leaving the caller's GL state alone.
#include "tools/render/Picture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "view/Overlays.h"
#include "cpu/CPUSim.h"
#include "gl/GlObjects.h"
#include "tests/support/GlStateSnapshot.h"
#include "tests/support/WindowPixels.h"
#include "cli/Conventions.h"
#include "headless/HeadlessGL.h"
#include "tools/render/RenderOptions.h"
#include "scenario/ScenarioRun.h"

namespace {

// Every test in this program shares the one window of this size.
constexpr int WINDOW_W = 160;
constexpr int WINDOW_H = 120;

void openContext() { headless::openWindow(WINDOW_W, WINDOW_H, "picture test"); }

// The window's display at its own size: black, the world projection, the drawing,
// then the overlays; read back with the bottom row first.
std::vector<uint8_t> windowPicture(FluidSim2D& sim, const std::vector<DragSegment>& strokes, bool overlays) {
    useUnitSquareView(WINDOW_W, WINDOW_H);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    if (overlays) {
        drawVelocityArrows(sim, true);
        drawCellCentres(sim);
        drawStrokes(strokes, nullptr);
    }
    return readBackBuffer(WINDOW_W, WINDOW_H);
}

// Pixels of the picture that differ from the window's in any channel.
int differingPixels(const Image& picture, const std::vector<uint8_t>& window) {
    int n = 0;
    for (int y = 0; y < WINDOW_H; ++y)
        for (int x = 0; x < WINDOW_W; ++x) {
            const uint8_t* shown = &window[size_t((WINDOW_H - 1 - y) * WINDOW_W + x) * 3];
            n += !std::equal(picture.pixel(x, y), picture.pixel(x, y) + 3, shown);
        }
    return n;
}

// Pixels of the picture that match.
int count(const Image& image, bool (*match)(const uint8_t*)) {
    int n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) n += match(image.pixel(x, y));
    return n;
}

TEST(Picture, OffscreenPictureIsWhatTheWindowShowsWithTheChosenOverlaysOnly) {
    openContext();
    CPUSim sim(13, 9);
    struct : ScenarioObserver {
        void picture(const std::string&, const std::vector<DragSegment>&) override {}
        void stepped(uint64_t, const std::vector<DragSegment>&) override {}
    } silent;
    runScenario(parseScenario("grid 13 9\nstroke 0.1 0.8 0.9 0.2\npour 0.3 0.4 6\n").scenario, {&sim}, silent);
    const std::vector<DragSegment> strokes{snappedStroke(sim, {0.1f, 0.8f}, {0.9f, 0.2f})};

    PictureCanvas canvas(WINDOW_W, WINDOW_H);
    const Image smoke = canvas.paint(sim, strokes, {});
    EXPECT_EQ(differingPixels(smoke, windowPicture(sim, strokes, false)), 0)
        << "the smoke is upside down or differs from the window's";
    EXPECT_GT(std::count_if(smoke.rgb.begin(), smoke.rgb.end(), [](uint8_t c) { return c > 8; }), 300);

    const Image everything = canvas.paint(sim, strokes, {true, true, true, true});
    EXPECT_EQ(differingPixels(everything, windowPicture(sim, strokes, true)), 0) << "the overlays differ";

    // Each overlay on its own, on a picture of another size than the window.
    auto cyanish = [](const uint8_t* p) { return p[0] < 40 && p[1] > 100 && p[1] == p[2]; };
    auto red = [](const uint8_t* p) { return p[0] > 200 && p[1] == 0 && p[2] == 0; };
    auto yellowish = [](const uint8_t* p) { return p[0] > 100 && p[0] == p[1] && p[2] == 0; };
    PictureCanvas small(117, 83);
    OverlayChoice only[3];
    only[0].strokes = only[1].cellCentres = only[2].velocity = true;
    const Image none = small.paint(sim, strokes, {});
    EXPECT_EQ(count(none, cyanish) + count(none, red) + count(none, yellowish), 0);
    const Image withStrokes = small.paint(sim, strokes, only[0]), withCells = small.paint(sim, strokes, only[1]);
    const Image withArrows = small.paint(sim, strokes, only[2]);
    EXPECT_GT(count(withStrokes, cyanish), 20);
    EXPECT_EQ(count(withStrokes, red) + count(withStrokes, yellowish), 0);
    EXPECT_GE(count(withCells, red), 13 * 9);
    EXPECT_EQ(count(withCells, cyanish) + count(withCells, yellowish), 0);
    EXPECT_GT(count(withArrows, yellowish), 0);
    EXPECT_EQ(count(withArrows, cyanish) + count(withArrows, red), 0);

    GlStateSnapshot::setUnusual();
    const GlRenderbuffer callers = GlRenderbuffer::generate();
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, callers.name());
    const GlStateSnapshot before = GlStateSnapshot::now();
    PictureCanvas(17, 11).paint(sim, strokes, {true, true, true, true});
    EXPECT_TRUE(GlStateSnapshot::now() == before) << "making a canvas or painting changed the caller's GL state";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GlStateSnapshot::setUsual();
}

// The largest side is accepted: MAX_PICTURE_SIDE by the command line, and by the canvas
// the smaller of it and the GL's limit, which the refusal names.
TEST(Picture, SidesUpToTheLargestAreAcceptedAndNoneBeyond) {
    openContext();
    std::string refusal;
    try {
        PictureCanvas(3, MAX_PICTURE_SIDE + 1);
    } catch (const std::runtime_error& e) {
        refusal = e.what();
    }
    const int limit = std::atoi(refusal.c_str() + refusal.rfind(' '));
    EXPECT_GE(limit, 1024) << refusal;
    EXPECT_LE(limit, MAX_PICTURE_SIDE) << refusal;
    EXPECT_NO_THROW(PictureCanvas(3, limit));
    RenderOptions options;
    const std::string largest = std::to_string(MAX_PICTURE_SIDE), beyond = std::to_string(MAX_PICTURE_SIDE + 1);
    const char* argv[] = {"smoke-render", "--size", largest.c_str(), "s.txt"};
    EXPECT_EQ(readRenderOptions(4, argv, options), std::nullopt);
    EXPECT_EQ(options.height, MAX_PICTURE_SIDE);
    argv[2] = beyond.c_str();
    testing::internal::CaptureStderr();
    EXPECT_EQ(readRenderOptions(4, argv, options), EXIT_BAD_COMMAND_LINE);
    testing::internal::GetCapturedStderr();
}

}  // namespace
