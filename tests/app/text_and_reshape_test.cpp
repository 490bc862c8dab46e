// Reshape to a zero height, and text: where it lands, how long it may be, and the
// state it leaves behind.
#include <array>
#include <string>

#include "tests/support/WindowPixels.h"
#include "tests/app/ShellFixture.h"
#include "tests/support/GlStateSnapshot.h"

namespace {

using TextTest = ShellTest;

std::array<float, 16> matrix(GLenum which) {
    std::array<float, 16> m;
    glGetFloatv(which, m.data());
    return m;
}

TEST_F(TextTest, ReshapeToHeightZeroUsesOne) {
    reshape(640, 0);
    EXPECT_EQ(screenRect.width, 640.0f);
    EXPECT_EQ(screenRect.height, 1.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_TRUE(std::isfinite(matrix(GL_PROJECTION_MATRIX)[5]));
}

TEST_F(TextTest, LongTextIsCutShortAndTheCountIsWhatWasDrawn) {
    EXPECT_EQ(drawText(0, 0, "%d-%s", 42, "ab"), 5);
    const std::string longText(3000, 'x');
    EXPECT_EQ(drawText(10, 40, "%s", longText.c_str()), TEXT_BUFFER_SIZE - 1);
    EXPECT_EQ(formatText("%s|%s", longText.c_str(), "end"), std::string(TEXT_BUFFER_SIZE - 1, 'x'));
}

TEST_F(TextTest, LeavesTheGLStateAsItFoundIt) {
    GlStateSnapshot::setUnusual();
    const GlStateSnapshot before = GlStateSnapshot::now();
    drawText(30, 60, "FPS: %.3f", 12.5);
    EXPECT_TRUE(GlStateSnapshot::now() == before);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GlStateSnapshot::setUsual();
}

TEST_F(TextTest, EachLineSitsEighteenPixelsBelowThePreviousFromTheTopEdge) {
    auto isGreen = [](const Rgb& c) { return c.g > 100 && c.r < 60 && c.b < 60; };
    for (int line = 0; line < 3; ++line) {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0.0f, 1.0f, 0.0f);
        drawText(4, 18 * line, "HWM");  // capitals only: nothing below the baseline
        const Pixels p(700, 400);
        int lowest = -1, highest = -1;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 700; ++x)
                if (isGreen(p.at(x, y))) {
                    if (lowest < 0) lowest = y;
                    highest = y;
                }
        const int baseline = 400 - 18 - 18 * line;  // rows from the bottom; the text stands on it
        EXPECT_GE(lowest, baseline) << "line " << line;
        EXPECT_LT(highest, baseline + 18) << "line " << line;
        EXPECT_GT(highest, baseline + 8) << "line " << line;
    }
}

}  // namespace
