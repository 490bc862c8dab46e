// Each shader pass on fresh random textures against the same arithmetic done on
// the processor in double precision.
#include <gtest/gtest.h>

#include "tests/gpu/support/GpuProbe.h"

namespace {

constexpr double TOLERANCE = 1e-5;
constexpr float DT = 0.05f;

constexpr unsigned RED = 0b0001;

struct Grid {
    uint32_t resI;
    uint32_t resJ;
};
constexpr Grid GRIDS[] = {{1, 1}, {2, 3}, {23, 17}, {64, 48}};

// A pass output matches the processor's result and holds zero on the border.
void expectOutput(const Texels& actual, const Texels& expected, unsigned channels, const char* what) {
    SCOPED_TRACE(::testing::Message() << what << " on " << actual.resI << "x" << actual.resJ);
    EXPECT_LT(relativeError(actual, expected, channels), TOLERANCE);
    EXPECT_TRUE(borderIsZero(actual));
}

// Random fields in mFields, and random junk in every other texture a pass writes,
// so that a pass which reads before writing or forgets its zero start shows.
struct RandomState {
    RandomState(Grid g, unsigned seed) : rng(seed), probe(g.resI, g.resJ), fields(randomTexels(g.resI, g.resJ, rng)) {
        probe.write(probe.mFields, fields);
        for (const TexAttachment* t : probe.attachedTextures())
            if (t != &probe.mFields) probe.write(*t, randomTexels(g.resI, g.resJ, rng));
    }
    std::mt19937 rng;
    GpuProbe probe;
    Texels fields;
};

// Averages every texel with its four neighbours. The traced-back point carries a
// float rounding of about 1e-7 cells per cell of grid width; on white noise, where
// neighbours differ by the whole range, that alone would use up the tolerance.
Texels smoothed(const Texels& t) {
    Texels out = t;
    for (uint32_t i = 1; i <= t.resI; ++i)
        for (uint32_t j = 1; j <= t.resJ; ++j)
            for (int c = 0; c < 4; ++c)
                out(i, j, c) = float((t(i, j, c) + t(i - 1, j, c) + t(i + 1, j, c) + t(i, j - 1, c) + t(i, j + 1, c)) / 5);
    return out;
}

TEST(PassArithmetic, EveryPassMatchesTheProcessorsArithmeticAndHoldsZeroOnTheBorder) {
    for (const Grid g : GRIDS) {
        // The sources pass adds the user sources unscaled and dt times the body forces.
        RandomState s(g, 11 + g.resI);
        Texels sources = randomTexels(g.resI, g.resJ, s.rng);
        for (size_t k = 2; k < sources.values.size(); k += 4) sources.values[k] = 0.0;  // no source has a blue part
        s.probe.addSources(sources);
        s.probe.applyVorticity(DT);
        const Texels curls = s.probe.read(s.probe.mCurls), grads = s.probe.read(s.probe.mNormCurlGrads);
        expectOutput(curls, curl(s.fields), RED, "curl");
        expectOutput(grads, normCurlGrad(curls), VELOCITY, "curl gradient");
        EXPECT_EQ(maxDifference(s.probe.read(s.probe.mFields), s.fields, ALL_CHANNELS), 0.0) << "fields changed";
        setFlags(s.probe, false, false, false);
        s.probe.step(DT);
        expectOutput(s.probe.read(s.probe.mFields), addSources(s.fields, sources, curls, grads, DT), ALL_CHANNELS,
                     "sources");

        RandomState d(g, 37 + g.resI);
        d.probe.diffusePass(DT, 10);
        expectOutput(d.probe.read(d.probe.mFields), diffuse(d.fields, DT, 10, Solver::Jacobi), ALL_CHANNELS, "diffusion");

        RandomState p(g, 41 + g.resI);
        p.probe.projectPass(DT);
        const Texels h = p.probe.read(p.probe.mHeights);
        expectOutput(h, heights(p.fields, 10, Solver::Jacobi), RED, "heights");
        expectOutput(p.probe.read(p.probe.mFields), correct(p.fields, h), ALL_CHANNELS, "correction");

        for (const float speedUp : {1.0f, 30.0f}) {  // the faster flow traces most cells out to the walls
            RandomState a(g, 53 + g.resI);
            a.fields = smoothed(smoothed(a.fields));
            for (size_t k = 0; k < a.fields.values.size(); k += 4) {
                a.fields.values[k] *= speedUp;
                a.fields.values[k + 1] *= speedUp;
            }
            a.probe.write(a.probe.mFields, a.fields);
            a.probe.advectPass(DT);
            expectOutput(a.probe.read(a.probe.mFields), advect(a.fields, a.fields, DT), ALL_CHANNELS,
                         speedUp > 1 ? "fast advection" : "advection");
        }
    }
}

}  // namespace
