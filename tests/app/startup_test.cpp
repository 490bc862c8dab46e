// Start-up on a real context: the texture state that drawing relies on, with and
// without the multitexture entry point. (The order in which missing extensions are
// listed is checked end to end, by tests/e2e/console_output.sh.)
#include "tests/app/ShellFixture.h"

namespace {

using StartupTest = ShellTest;

void disableTexturing() {
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTexture(unit);
        glDisable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
}

// Enabled and replacing on the unit.
bool replaces(GLenum unit) {
    glActiveTexture(unit);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return glIsEnabled(GL_TEXTURE_2D) && mode == GL_REPLACE;
}

std::string printQuietly() {
    testing::internal::CaptureStdout();
    printGLInfo();
    return testing::internal::GetCapturedStdout();
}

TEST_F(StartupTest, BothTextureUnitsReplaceOrOnlyUnitZeroWithoutTheMultitextureEntryPoint) {
    disableTexturing();
    glActiveTexture(GL_TEXTURE1);
    glClearColor(0.3f, 0.2f, 0.1f, 0.0f);
    printQuietly();
    GLint active;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] + clear[1] + clear[2] == 0.0f && clear[3] == 1.0f);
    EXPECT_TRUE(replaces(GL_TEXTURE1) && replaces(GL_TEXTURE0));

    disableTexturing();
    // GLEW leaves the pointer null when the driver does not offer multitexturing.
    const PFNGLACTIVETEXTUREARBPROC saved = glActiveTextureARB;
    glActiveTextureARB = nullptr;
    const std::string out = printQuietly();
    glActiveTextureARB = saved;
    EXPECT_EQ(out.rfind("OpenGL Information:\n-------------------\nVendor: ", 0), 0u) << out;
    EXPECT_FALSE(replaces(GL_TEXTURE1));
    EXPECT_TRUE(replaces(GL_TEXTURE0));
}

}  // namespace
