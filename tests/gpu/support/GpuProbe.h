#pragma once
// A shader solver whose textures and single passes the tests can reach, in the
// one GL context of the test process.

#include <GL/glew.h>

#include <random>
#include <vector>

#include "gpu/GPUSim.h"
#include "tests/support/ReferenceModel.h"
#include "tests/support/SetFields.h"
#include "headless/HeadlessGL.h"

#ifndef SMOKE_SHADER_SOURCE_DIR
#error "the tests read the shaders of the source tree"
#endif

// 300 by 200 pixels: on a 3 by 2 grid, each cell is 100 by 100 pixels.
constexpr int WINDOW_WIDTH = 300;
constexpr int WINDOW_HEIGHT = 200;
inline void openTestWindow() { headless::openWindow(WINDOW_WIDTH, WINDOW_HEIGHT, "gpu tests"); }

class GpuProbe : public GPUSim {
public:
    // The comma opens the test context before the solver is built.
    GpuProbe(uint32_t cellsI, uint32_t cellsJ) : GPUSim((openTestWindow(), cellsI), cellsJ, SMOKE_SHADER_SOURCE_DIR) {}

    using GPUSim::mAddSourcesProgram;
    using GPUSim::mAdvectProgram;
    using GPUSim::mCurls;
    using GPUSim::mDecompProgram;
    using GPUSim::mDiffuseProgram;
    using GPUSim::mFields;
    using GPUSim::mHeights;
    using GPUSim::mIterate;
    using GPUSim::mNewFields;
    using GPUSim::mNormCurlGradProgram;
    using GPUSim::mNormCurlGrads;
    using GPUSim::mProjectProgram;
    using GPUSim::mVorticityProgram;

    std::vector<const TexAttachment*> attachedTextures() const {
        return {&mFields, &mNewFields, &mCurls, &mNormCurlGrads, &mHeights, &mIterate};
    }

    Texels read(const TexAttachment& t) const {
        std::vector<float> floats(4 * size_t(resI + 2) * (resJ + 2));
        glBindTexture(GL_TEXTURE_2D, t.tex.name());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, floats.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return fromFloats(resI, resJ, floats);
    }

    void write(const TexAttachment& t, const Texels& texels) {
        const std::vector<float> floats = toFloats(texels);
        glBindTexture(GL_TEXTURE_2D, t.tex.name());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(resI + 2), GLsizei(resJ + 2), GL_RGBA, GL_FLOAT, floats.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // Adds every texel of `sources` through the public accessors.
    void addSources(const Texels& sources) {
        for (uint32_t i = 0; i <= resI + 1; ++i)
            for (uint32_t j = 0; j <= resJ + 1; ++j) {
                addVelocity(i, j, float(sources(i, j, 0)), float(sources(i, j, 1)));
                addDensity(i, j, float(sources(i, j, 3)));
            }
    }
};

// Fresh random values on every texel, border included: velocity in [-1, 1], the
// free channel in [-1, 1], density in [0, 100]. Values are floats, as in a texture.
inline Texels randomTexels(uint32_t resI, uint32_t resJ, std::mt19937& rng) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Texels t(resI, resJ);
    for (size_t k = 0; k < t.values.size(); ++k) t.values[k] = k % 4 == 3 ? 50.0f * (unit(rng) + 1.0f) : unit(rng);
    return t;
}
