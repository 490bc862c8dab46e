#pragma once
// The software solver's fast kernels: bit for bit the results of the plain
// kernels, with the Gauss-Seidel sweeps run along anti-diagonals in vector lanes
// and every other pass vectorised in storage order. A team of threads shares every
// kernel (rows split, sweeps pipelined); every scratch array and every thread is
// made here, once.

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/CpuKernels.h"
#include "cpu/CrewChooser.h"
#include "cpu/ThreadTeam.h"
#include "cpu/kernels/KernelTable.h"

// Portable runs anywhere (the compiler's generic 4-lane vectors); the others are x86 sets.
enum class KernelIsa { Portable, Sse2, Avx2 };

// Every set, in order of preference from last to first.
constexpr KernelIsa ALL_KERNEL_ISAS[] = {KernelIsa::Portable, KernelIsa::Sse2, KernelIsa::Avx2};

// Whether this build and this processor can run the kernels built for `isa`.
bool kernelIsaAvailable(KernelIsa isa);
// The fastest set available here.
KernelIsa bestKernelIsa();
const char* kernelIsaName(KernelIsa isa);

// A grid of fewer cells than this per thread runs on fewer threads: measured on
// two cores, handing work between threads then costs more than it saves.
constexpr uint32_t MIN_CELLS_PER_THREAD = 8192;

class FastKernels : public CpuKernels {
public:
    // Throws std::invalid_argument if this build or processor lacks `isa`,
    // std::bad_alloc if the scratch arrays cannot be had. threads.count is at least 1.
    FastKernels(uint32_t resI, uint32_t resJ, KernelIsa isa = bestKernelIsa(), ThreadCount threads = defaultThreads(),
                uint32_t minCellsPerThread = MIN_CELLS_PER_THREAD);

    // The most threads that share a kernel call on this grid.
    unsigned threads() const { return mTeam.size(); }
    // How many share the calls from now on: `crew` (1 to threads()) until the next step
    // that an adaptive team chooses for itself.
    void useCrew(unsigned crew);
    unsigned crew() const { return mCrew; }

    void stepStarting() override;
    void stepFinished() override;

    void addSources(VectorField& out, const VectorField& in, const VectorField& sources) override;
    void addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) override;
    void diffuse(VectorField& out, const VectorField& in, float a) override;
    void diffuse(ScalarField& out, const ScalarField& in, float a) override;
    void project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) override;
    // With solids, the height factors for cells hx by hy, computed when the cells change.
    void updateHeightFactors(float hx, float hy);
    void projectConverged(VectorField& out, const VectorField& in, ScalarField& heights, Multigrid& multigrid, float hx,
                          float hy) override;
    MultigridCopies multigridCopies() const override;
    void advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                float t) override;
    void addBodyForces(const BodyForceFields& fields, float hx, float hy, float t, float confinement) override;
    void addStroke(VectorField& velocitySources, const FluidSim2D& grid, const StrokeFootprint& stroke) override;
    void clearSources(VectorField& velocitySources, ScalarField& densitySources) override;
    void setSolids(const SolidCells& solids) override;

private:
    template <class... Fields>
    void checkGrid(const Fields&... fields) const;
    template <class Kernel>
    void onTeam(const Kernel& kernel);
    // What the solid cells look like to the relaxations, skewed by the crew that last read it.
    enum SkewedSolid { FLUID_BITS, FLUID_BIT_PAIRS, HEIGHT_FACTORS, SKEWED_SOLIDS };
    // The scratch for a call, with the skewed solid array it reads (if any); marks it
    // as skewed for this crew from then on.
    kernels::SkewScratch scratch(SkewedSolid kind = SKEWED_SOLIDS);
    // What the kernels need of the solid cells, or null when there are none.
    const kernels::SolidArrays* solids() const { return mSolidCells.any() ? &mSolidArrays : nullptr; }
    uint32_t cellsPerCoarseMember() const;
    // The cell centres and the world-to-grid map of the grid's rectangles, remade
    // only when the rectangles change.
    const kernels::BacktraceMap& gridMap(const FluidSim2D& grid);

    const kernels::KernelTable& table() const { return mSolidCells.any() ? mSolidTable : mTable; }

    const kernels::KernelTable& mTable;
    const kernels::KernelTable& mSolidTable;
    kernels::GridSize mGrid;
    unsigned mLargestCrew;
    std::vector<float> mRelaxed;
    std::vector<float> mFixed;
    std::vector<float> mEdges;
    std::vector<float> mCentreX;
    std::vector<float> mCentreY;
    kernels::BacktraceMap mMap{};
    Rect mMappedGridRect{};
    Rect mMappedWorldRect{};
    bool mMapped = false;
    SolidCells mSolidCells;
    std::vector<float> mSolidMask;
    std::vector<float> mFluid;
    std::vector<float> mFluidPairs;
    std::vector<float> mSolidSkewed[SKEWED_SOLIDS];
    unsigned mSolidSkewedCrew[SKEWED_SOLIDS] = {};  // 0: not skewed yet
    std::vector<float> mHeightFactors;
    std::vector<float> mFactorBoard;  // for the converged projection (kernels::MultigridSolve)
    float mFactorsHx = 0;
    float mFactorsHy = 0;
    kernels::SolidArrays mSolidArrays{};
    std::vector<uint32_t> mStrokeFirstI;
    std::vector<uint32_t> mStrokeLastI;
    std::vector<float> mMaxima;  // the converged projection's partial results, by member
    std::vector<const MultigridLevel*> mMemberLevels;
    uint32_t mMinCellsPerThread;
    ThreadTeam mTeam;
    unsigned mCrew;
    std::unique_ptr<CrewChooser> mChooser;  // only for an adaptive team of several
    std::chrono::steady_clock::time_point mStepStart;
};

std::unique_ptr<CpuKernels> makeFastKernels(uint32_t resI, uint32_t resJ, ThreadCount threads = defaultThreads());
