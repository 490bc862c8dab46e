#pragma once
// The software solver's fast kernels: bit for bit the results of the plain
// kernels, with the Gauss-Seidel sweeps run along anti-diagonals in vector lanes
// and every other pass vectorised in storage order. Single-threaded; every
// scratch array is allocated here, once.

#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/CpuKernels.h"
#include "cpu/kernels/KernelTable.h"

enum class KernelIsa { Sse2, Avx2 };

// Whether this processor can run the kernels built for `isa`.
bool kernelIsaAvailable(KernelIsa isa);
// The widest instruction set available here.
KernelIsa bestKernelIsa();
const char* kernelIsaName(KernelIsa isa);

class FastKernels : public CpuKernels {
public:
    // Throws std::invalid_argument if this processor lacks `isa`, std::bad_alloc if
    // the scratch arrays cannot be had.
    FastKernels(uint32_t resI, uint32_t resJ, KernelIsa isa = bestKernelIsa());

    void addSources(VectorField& out, const VectorField& in, const VectorField& sources) override;
    void addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) override;
    void diffuse(VectorField& out, const VectorField& in, float a) override;
    void diffuse(ScalarField& out, const ScalarField& in, float a) override;
    void project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) override;
    void advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void addBodyForces(const BodyForceFields& fields, float hx, float hy, float t) override;
    void addStroke(VectorField& velocitySources, const FluidSim2D& grid, const StrokeFootprint& stroke) override;

private:
    template <class... Fields> void checkGrid(const Fields&... fields) const;
    kernels::SkewScratch scratch() { return {mRelaxed.data(), mFixed.data()}; }
    void refreshCentres(const FluidSim2D& grid);
    kernels::BacktraceMap backtraceMap(const FluidSim2D& grid, float t);

    const kernels::KernelTable& mTable;
    kernels::GridSize mGrid;
    std::vector<float> mRelaxed;
    std::vector<float> mFixed;
    std::vector<float> mCentreX;
    std::vector<float> mCentreY;
    std::vector<uint32_t> mStrokeFirstI;
    std::vector<uint32_t> mStrokeLastI;
};

std::unique_ptr<CpuKernels> makeFastKernels(uint32_t resI, uint32_t resJ);
