#pragma once
// The software solver's kernels written straight from their definitions: every
// pass visits i in the outer loop and j in the inner one, one cell at a time.
// They are the yardstick that the fast kernels must equal bit for bit, and the
// baseline the benchmark measures the fast kernels against. One thread.

#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/CpuKernels.h"

class CPUSim;

class PlainKernels : public CpuKernels {
public:
    void addSources(VectorField& out, const VectorField& in, const VectorField& sources) override;
    void addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) override;
    void diffuse(VectorField& out, const VectorField& in, float a) override;
    void diffuse(ScalarField& out, const ScalarField& in, float a) override;
    void project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) override;
    void projectConverged(VectorField& out, const VectorField& in, ScalarField& heights, Multigrid& multigrid, float hx,
                          float hy) override;
    void advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void addBodyForces(const BodyForceFields& fields, float hx, float hy, float t, float confinement) override;
    void addStroke(VectorField& velocitySources, const FluidSim2D& grid, const StrokeFootprint& stroke) override;
    void clearSources(VectorField& velocitySources, ScalarField& densitySources) override;
    void setSolids(const SolidCells& solids) override {
        mSolids = solids;
        mFactors.clear();
    }

private:
    // The height equation's factors by cell for cells hx by hy; null without solids.
    const float* heightFactorsFor(float hx, float hy);

    SolidCells mSolids;
    // The height equation's factors by cell beside solids, for cells of this size.
    std::vector<float> mFactors;
    float mFactorsHx = 0;
    float mFactorsHy = 0;
};

// A software solver that runs the plain kernels.
std::unique_ptr<CPUSim> makePlainCpuSim(uint32_t resI, uint32_t resJ);
