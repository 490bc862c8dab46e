// Reshape to a zero height, and text: how long it may be, and the state it leaves
// behind (where the status lines land: overlay_picture_test.cpp).
#include <array>
#include <string>

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

}  // namespace
