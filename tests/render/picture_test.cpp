// Pictures painted offscreen: the window's picture, at any size, leaving the
// caller's GL state alone.
#include "tools/render/Picture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Overlays.h"
#include "cpu/CPUSim.h"
#include "tests/support/GlStateSnapshot.h"
#include "tests/support/WindowPixels.h"
#include "tools/headless/HeadlessGL.h"
#include "tools/render/ScenarioRun.h"

namespace {

// Every test in this program shares the one window of this size.
constexpr int WINDOW_W = 160;
constexpr int WINDOW_H = 120;

void openContext() { headless::openWindow(WINDOW_W, WINDOW_H, "picture test"); }

bool isSmoke(const uint8_t* p) { return p[0] > 8 && p[0] == p[1] && p[1] == p[2]; }

// Where the smoke pixels are: their mean row, the highest (smallest, counted from
// the top) row, and how many there are.
struct SmokeSpread {
    double meanRow = 0.0;
    int count = 0;
    int highestRow = 1 << 30;
};

SmokeSpread smokeIn(const Image& image) {
    SmokeSpread s;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (isSmoke(image.pixel(x, y))) {
                s.meanRow += y;
                ++s.count;
                s.highestRow = std::min(s.highestRow, y);
            }
    s.meanRow /= std::max(s.count, 1);
    return s;
}

struct Snapshots : ScenarioObserver {
    PictureCanvas& canvas;
    FluidSim2D& sim;
    OverlayChoice overlays;
    std::vector<Image> pictures;
    Snapshots(PictureCanvas& c, FluidSim2D& s) : canvas(c), sim(s) {}
    void picture(const std::string&, const std::vector<DragSegment>& strokes) override {
        pictures.push_back(canvas.paint(sim, strokes, overlays));
    }
    void stepped(uint64_t, const std::vector<DragSegment>&) override {}
};

std::vector<Image> picturesOf(const std::string& text, int width, int height, OverlayChoice overlays = {}) {
    openContext();
    const ParsedScenario p = parseScenario(text);
    EXPECT_TRUE(p.ok()) << describeErrors("scenario", p.errors);
    CPUSim sim(p.scenario.resI, p.scenario.resJ);
    PictureCanvas canvas(width, height);
    Snapshots snapshots(canvas, sim);
    snapshots.overlays = overlays;
    runScenario(p.scenario, {&sim}, snapshots);
    return snapshots.pictures;
}

TEST(Picture, PourInTheLowerHalfShowsGreyThereAndItRisesAsTheScenarioRunsOn) {
    const std::vector<Image> pictures =
        picturesOf("grid 40 30\ndt 0.05\npour 0.5 0.2 10\npicture poured\nrun 60\npicture later\n", 200, 150);
    ASSERT_EQ(pictures.size(), 2u);
    const SmokeSpread poured = smokeIn(pictures[0]);
    ASSERT_GT(poured.count, 50);
    EXPECT_GT(poured.highestRow, 75) << "smoke poured low must stay in the lower half at first";
    // The pour sits at 0.2 of the height, 120 rows down from the top of 150.
    EXPECT_NEAR(poured.meanRow, 120.0, 12.0);

    const SmokeSpread later = smokeIn(pictures[1]);
    ASSERT_GT(later.count, 50);
    EXPECT_LT(later.meanRow, poured.meanRow - 15.0) << "smoke must rise";
    EXPECT_LT(later.highestRow, poured.highestRow);
}

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

// Pixels of the picture that differ from the window's at the same place, and of
// those, how many the window shows one pixel away instead: a line or point that
// falls exactly between two pixels may land on either side in a window and in an
// offscreen buffer, whose rows run in opposite directions. Colours count as the
// same within one level: the software renderer rounds some colours differently
// for the window's pixel format than for an offscreen one.
struct Mismatch {
    int pixels = 0;
    int notNearby = 0;
};

Mismatch compareWithWindow(const Image& picture, const std::vector<uint8_t>& window) {
    auto windowPixel = [&](int x, int y) { return &window[size_t((WINDOW_H - 1 - y) * WINDOW_W + x) * 3]; };
    auto same = [](const uint8_t* a, const uint8_t* b) {
        return std::abs(a[0] - b[0]) <= 1 && std::abs(a[1] - b[1]) <= 1 && std::abs(a[2] - b[2]) <= 1;
    };
    Mismatch m;
    for (int y = 0; y < WINDOW_H; ++y)
        for (int x = 0; x < WINDOW_W; ++x) {
            if (same(picture.pixel(x, y), windowPixel(x, y))) continue;
            ++m.pixels;
            bool nearby = false;
            for (auto [dx, dy] : {std::pair{0, 1}, std::pair{0, -1}, std::pair{1, 0}, std::pair{-1, 0}}) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < WINDOW_W && ny < WINDOW_H)
                    nearby = nearby || same(picture.pixel(x, y), windowPixel(nx, ny));
            }
            m.notNearby += nearby ? 0 : 1;
        }
    return m;
}

TEST(Picture, OffscreenPictureIsWhatTheWindowShowsAtItsSize) {
    openContext();
    CPUSim sim(13, 9);
    PictureCanvas canvas(WINDOW_W, WINDOW_H);
    Snapshots none(canvas, sim);
    runScenario(parseScenario("grid 13 9\nstroke 0.1 0.8 0.9 0.2\npour 0.3 0.4 6\n").scenario, {&sim}, none);
    const std::vector<DragSegment> strokes{snappedStroke(sim, {0.1f, 0.8f}, {0.9f, 0.2f})};

    const Image smoke = canvas.paint(sim, strokes, {});
    EXPECT_EQ(compareWithWindow(smoke, windowPicture(sim, strokes, false)).pixels, 0)
        << "the smoke is upside down or differs from the window's";
    EXPECT_GT(smokeIn(smoke).count, 100);

    const Image everything = canvas.paint(sim, strokes, {true, true, true, true});
    const Mismatch m = compareWithWindow(everything, windowPicture(sim, strokes, true));
    EXPECT_EQ(m.notNearby, 0);
    EXPECT_LT(m.pixels, 20);
}

TEST(Picture, OverlaysAppearOnlyWhenChosen) {
    // Pixels that match in the picture taken with these overlays.
    auto count = [](OverlayChoice overlays, bool (*match)(const uint8_t*)) {
        const Image image = picturesOf("grid 12 10\nstroke 0.1 0.5 0.9 0.5\nrun 3\npicture\n", 120, 100, overlays).at(0);
        int n = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) n += match(image.pixel(x, y));
        return n;
    };
    auto cyanish = [](const uint8_t* p) { return p[0] < 40 && p[1] > 100 && p[1] == p[2]; };
    auto red = [](const uint8_t* p) { return p[0] > 200 && p[1] == 0 && p[2] == 0; };
    auto yellowish = [](const uint8_t* p) { return p[0] > 100 && p[0] == p[1] && p[2] == 0; };
    OverlayChoice none, strokes, cells, arrows;
    strokes.strokes = true;
    cells.cellCentres = true;
    arrows.velocity = true;
    EXPECT_EQ(count(none, cyanish) + count(none, red) + count(none, yellowish), 0);
    EXPECT_GT(count(strokes, cyanish), 20);
    EXPECT_GE(count(cells, red), 12 * 10);
    EXPECT_GT(count(arrows, yellowish), 0);
}

TEST(Picture, PaintingLeavesTheCallersGLStateAsItWas) {
    openContext();
    CPUSim sim(5, 7);
    PictureCanvas canvas(33, 21);
    GlStateSnapshot::setUnusual();
    const GlStateSnapshot before = GlStateSnapshot::now();
    const Image image = canvas.paint(sim, {}, {});
    EXPECT_TRUE(GlStateSnapshot::now() == before);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GlStateSnapshot::setUsual();
    EXPECT_EQ(image.width, 33);
    EXPECT_EQ(image.height, 21);
}

}  // namespace
