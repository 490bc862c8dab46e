// The shader solver's converged projection: it projects as the software solver's
// does, on the smooth probe field and on a rough one, beside solids too, and its programs are built
// quietly, only when it is chosen, and refused with the file that cannot be built.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "cpu/CPUSim.h"
#include "sim/DivergenceProbe.h"
#include "tests/gpu/support/GpuProbe.h"

namespace {

namespace fs = std::filesystem;

// One projection by each solver from the same velocity: their largest difference in
// either component, relative to the largest component the software solver leaves.
double projectionDifference(uint32_t resI, uint32_t resJ, bool rough, bool solids = false) {
    openTestWindow();
    testing::internal::CaptureStdout();
    GPUSim gpu(resI, resJ, SMOKE_SHADER_SOURCE_DIR, ProjectionMode::Converged);
    CPUSim cpu(resI, resJ);
    cpu.setProjection(ProjectionMode::Converged);
    for (FluidSim2D* sim : {static_cast<FluidSim2D*>(&gpu), static_cast<FluidSim2D*>(&cpu)}) {
        if (solids)
            sim->setSolids(solidCellsOf(
                *sim, {SolidShape::circle({0.35f, 0.5f}, 0.1f), SolidShape::box({0.6f, 0.2f}, {0.75f, 0.45f})}));
        std::mt19937 rng(3);
        std::uniform_real_distribution<float> speed(-1.0f, 1.0f);
        if (rough) {
            setFields(
                *sim,
                [&](uint32_t, uint32_t) {
                    return Vec2{speed(rng), speed(rng)};
                },
                [](uint32_t, uint32_t) { return 0.0f; });
        } else {
            loadProbeVelocity(*sim);
        }
    }
    gpu.projectOnce();
    VectorField projected(resI, resJ);
    cpu.project(projected, cpu.velocity());
    testing::internal::GetCapturedStdout();
    double difference = 0.0, largest = 0.0;
    for (uint32_t j = 1; j <= resJ; ++j)
        for (uint32_t i = 1; i <= resI; ++i) {
            const Vec2 g = gpu.getVelocity(i, j), c = projected(i, j);
            difference = std::max({difference, double(std::fabs(g.x - c.x)), double(std::fabs(g.y - c.y))});
            largest = std::max({largest, double(std::fabs(c.x)), double(std::fabs(c.y))});
        }
    return difference / largest;
}

// Measured (llvmpipe): at most 0.0046 of the largest velocity on the probe field, where
// the fixed iterations (Jacobi against Gauss-Seidel) differ by 0.02 to 0.36; 3e-7 on
// random velocities, where they differ by 0.05 to 0.07.
TEST(ShaderConvergedProjection, ProjectsAsTheSoftwareSolverDoes) {
    for (const auto& [resI, resJ] : {std::pair{64u, 64u}, {201u, 201u}, {90u, 40u}, {33u, 47u}}) {
        EXPECT_LT(projectionDifference(resI, resJ, false), 0.01) << resI << "x" << resJ << " probe";
        EXPECT_LT(projectionDifference(resI, resJ, true), 1e-5) << resI << "x" << resJ << " rough";
    }
}

// Beside solids both keep the solid cells at zero and reflect at their faces
// (measured: 2.4e-5 and 5e-7 at most).
TEST(ShaderConvergedProjection, ProjectsAsTheSoftwareSolverDoesBesideSolids) {
    for (const auto& [resI, resJ] : {std::pair{201u, 201u}, {33u, 47u}}) {
        EXPECT_LT(projectionDifference(resI, resJ, false, true), 1e-3) << resI << "x" << resJ << " probe";
        EXPECT_LT(projectionDifference(resI, resJ, true, true), 1e-5) << resI << "x" << resJ << " rough";
    }
}

TEST(ShaderConvergedProjection, ItsProgramsAreBuiltQuietly) {
    openTestWindow();
    testing::internal::CaptureStdout();
    GPUSim fixed(16, 12, SMOKE_SHADER_SOURCE_DIR);
    const std::string nine = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    GPUSim converged(16, 12, SMOKE_SHADER_SOURCE_DIR, ProjectionMode::Converged);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), nine);
}

// A folder with every shader, `edit` done to it; removed with its files at the end.
struct ShaderCopy {
    template <class Edit>
    explicit ShaderCopy(Edit edit) {
        char name[] = "/tmp/smoke-mg-test-XXXXXX";
        path = mkdtemp(name);
        for (const auto& entry : fs::directory_iterator(SMOKE_SHADER_SOURCE_DIR))
            fs::copy_file(entry.path(), path / entry.path().filename());
        edit(path);
    }
    ~ShaderCopy() { fs::remove_all(path); }
    fs::path path;
};

TEST(ShaderConvergedProjection, AMissingOrBrokenProgramOfItsOwnIsRefusedByName) {
    openTestWindow();
    const ShaderCopy missing([](const fs::path& dir) { fs::remove(dir / "mgRelax.frag"); });
    const ShaderCopy broken([](const fs::path& dir) { std::ofstream(dir / "mgProlong.frag", std::ios::app) << "no;"; });
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(GPUSim(8, 8, missing.path.string()));  // the fixed iterations never read it
    try {
        GPUSim(8, 8, missing.path.string(), ProjectionMode::Converged);
        ADD_FAILURE() << "a missing program was not refused";
    } catch (const GPUSimUnavailable& why) {
        EXPECT_NE(std::string(why.what()).find("cannot read " + (missing.path / "mgRelax.frag").string()),
                  std::string::npos)
            << why.what();
    }
    try {
        GPUSim(8, 8, broken.path.string(), ProjectionMode::Converged);
        ADD_FAILURE() << "a broken program was not refused";
    } catch (const GPUSimUnavailable& why) {
        EXPECT_NE(std::string(why.what()).find("mgProlong.frag does not compile"), std::string::npos) << why.what();
    }
    testing::internal::GetCapturedStdout();
}

}  // namespace
