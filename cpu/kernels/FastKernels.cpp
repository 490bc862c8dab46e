#include "cpu/kernels/FastKernels.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "sim/SolverConstants.h"
#include "cpu/HeightFactors.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/StrokeReach.h"

namespace {

// The kernels for grids with solid cells, or without.
const kernels::KernelTable& tableFor(KernelIsa isa, bool solids) {
    if (!kernelIsaAvailable(isa))
        throw std::invalid_argument(std::string("this processor lacks ") + kernelIsaName(isa));
    switch (isa) {
#ifdef SMOKE_X86_KERNELS
        case KernelIsa::Avx2: return solids ? kernels::avx2SolidKernels() : kernels::avx2Kernels();
        case KernelIsa::Sse2: return solids ? kernels::sse2SolidKernels() : kernels::sse2Kernels();
#endif
        default: return solids ? kernels::portableSolidKernels() : kernels::portableKernels();
    }
}

// A scratch array of so many floats, addressable like a field.
std::vector<float> scratchOf(uint64_t floats) {
    if (floats * sizeof(float) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    return std::vector<float>(floats, 0.0f);
}

template <class T>
float* floats(Field<T>& field) {
    return reinterpret_cast<float*>(field.data());
}
template <class T>
const float* floats(const Field<T>& field) {
    return reinterpret_cast<const float*>(field.data());
}

bool sameBits(const Rect& a, const Rect& b) { return std::memcmp(&a, &b, sizeof(Rect)) == 0; }

// Zeroes the member's share of a field's bytes.
template <class T>
void clearShare(Field<T>& field, const kernels::Crew& crew) {
    const Share cells = shareOf(crew, 0, field.size());
    std::memset(static_cast<void*>(field.data() + cells.begin), 0, size_t(cells.end - cells.begin) * sizeof(T));
}

// Threads enough that each has at least minCells cells, up to `threads`.
unsigned crewSizeFor(uint32_t resI, uint32_t resJ, unsigned threads, uint32_t minCells) {
    const uint64_t worth = uint64_t(resI) * resJ / (minCells > 0 ? minCells : 1);
    return unsigned(std::max<uint64_t>(1, std::min<uint64_t>(threads, worth)));
}

// Scratch enough for the crew that needs the most: the bands' layouts differ by crew.
template <class Floats>
uint64_t mostFloats(kernels::GridSize grid, unsigned largestCrew, Floats floatsFor) {
    uint64_t most = 0;
    for (unsigned crew = 1; crew <= largestCrew; ++crew) most = std::max(most, floatsFor(grid, crew));
    return most;
}

static_assert(sizeof(Vec2) == 2 * sizeof(float), "the kernels read a Vec2 array as pairs of floats");
static_assert(SOLVER_SWEEPS >= 1, "the relaxation starts with a sweep from zero");

}  // namespace

namespace kernels {

void meet(const Crew& crew) { crew.team->barrier(); }
void restartBands(const Crew& crew) { crew.team->clearProgress(); }
void publishBand(const Crew& crew, uint32_t band, uint32_t progress) { crew.team->publish(band, progress); }
uint32_t awaitBand(const Crew& crew, uint32_t band, uint32_t progress) {
    return crew.team->awaitProgress(band, progress);
}

}  // namespace kernels

bool kernelIsaAvailable(KernelIsa isa) {
    switch (isa) {
        case KernelIsa::Portable: return true;
#ifdef SMOKE_X86_KERNELS
        case KernelIsa::Sse2: return true;
        case KernelIsa::Avx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2");
#endif
        default: return false;
    }
}

KernelIsa bestKernelIsa() {
    KernelIsa best = KernelIsa::Portable;
    for (KernelIsa isa : ALL_KERNEL_ISAS)
        if (kernelIsaAvailable(isa)) best = isa;
    return best;
}

const char* kernelIsaName(KernelIsa isa) {
    switch (isa) {
        case KernelIsa::Sse2: return "sse2";
        case KernelIsa::Avx2: return "avx2";
        default: return "portable";
    }
}

// The scratch arrays come first: a grid too large for them is refused before
// anything of its size is allocated.
FastKernels::FastKernels(uint32_t resI, uint32_t resJ, KernelIsa isa, ThreadCount threads, uint32_t minCellsPerThread)
    : mTable(tableFor(isa, false)),
      mSolidTable(tableFor(isa, true)),
      mGrid{resI, resJ},
      mLargestCrew(crewSizeFor(resI, resJ, threads.count, minCellsPerThread)),
      mRelaxed(scratchOf(mostFloats(mGrid, mLargestCrew, kernels::skewedFloats))),
      mFixed(scratchOf(mostFloats(mGrid, mLargestCrew, kernels::skewedFloats))),
      mEdges(scratchOf(mostFloats(mGrid, mLargestCrew, kernels::edgeFloats))),
      mCentreX(size_t(resI) + 2),
      mCentreY(size_t(resJ) + 2),
      mStrokeFirstI(size_t(resJ) + 2),
      mStrokeLastI(size_t(resJ) + 2),
      mMaxima(size_t(kernels::MAXIMA_STRIDE) * std::max(threads.count, 1u)),
      mMinCellsPerThread(minCellsPerThread),
      mTeam(mLargestCrew, mLargestCrew),
      mCrew(mLargestCrew) {
    mMemberLevels.assign(mTeam.size(), nullptr);
    if (threads.adaptive && mLargestCrew > 1) mChooser = std::make_unique<CrewChooser>(mLargestCrew);
}

kernels::SkewScratch FastKernels::scratch(SkewedSolid kind) {
    kernels::SkewScratch s{mRelaxed.data(), mFixed.data(), mEdges.data(), nullptr, false};
    if (kind == SKEWED_SOLIDS || !mSolidCells.any()) return s;
    s.solid = mSolidSkewed[kind].data();
    s.solidSkewed = mSolidSkewedCrew[kind] == mCrew;
    mSolidSkewedCrew[kind] = mCrew;
    return s;
}

void FastKernels::useCrew(unsigned crew) { mCrew = std::clamp(crew, 1u, mTeam.size()); }

void FastKernels::stepStarting() {
    if (!mChooser) return;
    useCrew(mChooser->crew());
    mStepStart = std::chrono::steady_clock::now();
}

void FastKernels::stepFinished() {
    if (!mChooser) return;
    mChooser->stepTook(std::chrono::duration<double>(std::chrono::steady_clock::now() - mStepStart).count());
}

// The kernels index the scratch arrays by this grid; a field of another size would run past them.
template <class... Fields>
void FastKernels::checkGrid(const Fields&... fields) const {
    if (((fields.resI() != mGrid.resI || fields.resJ() != mGrid.resJ) || ...))
        throw std::invalid_argument("a field of another grid size than the solver's");
}

template <class Kernel>
void FastKernels::onTeam(const Kernel& kernel) {
    auto job = [&](unsigned member) { kernel(kernels::Crew{&mTeam, member, mCrew}); };
    mTeam.run(job, mCrew);
}

void FastKernels::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    checkGrid(out, in, sources);
    onTeam([&](const kernels::Crew& crew) {
        table().addSources(floats(out), floats(in), floats(sources), mGrid, 2, solids(), crew);
    });
}

void FastKernels::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    checkGrid(out, in, sources);
    onTeam([&](const kernels::Crew& crew) {
        table().addSources(floats(out), floats(in), floats(sources), mGrid, 1, solids(), crew);
    });
}

void FastKernels::diffuse(VectorField& out, const VectorField& in, float a) {
    checkGrid(out, in);
    const kernels::SkewScratch skewed = scratch(FLUID_BIT_PAIRS);
    onTeam([&](const kernels::Crew& crew) {
        table().diffuse(floats(out), floats(in), skewed, mGrid, 2, SOLVER_SWEEPS, a, solids(), crew);
    });
}

void FastKernels::diffuse(ScalarField& out, const ScalarField& in, float a) {
    checkGrid(out, in);
    const kernels::SkewScratch skewed = scratch(FLUID_BITS);
    onTeam([&](const kernels::Crew& crew) {
        table().diffuse(floats(out), floats(in), skewed, mGrid, 1, SOLVER_SWEEPS, a, solids(), crew);
    });
}

void FastKernels::updateHeightFactors(float hx, float hy) {
    if (!mSolidCells.any() || (hx == mFactorsHx && hy == mFactorsHy && !mHeightFactors.empty())) return;
    mHeightFactors = heightFactors(mSolidCells, mGrid.resI, mGrid.resJ, hx, hy);
    mSolidArrays.heightFactors = mHeightFactors.data();
    mSolidSkewedCrew[HEIGHT_FACTORS] = 0;
    mFactorsHx = hx;
    mFactorsHy = hy;
}

void FastKernels::project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) {
    checkGrid(out, in, heights);
    updateHeightFactors(hx, hy);
    const kernels::SkewScratch skewed = scratch(HEIGHT_FACTORS);
    onTeam([&](const kernels::Crew& crew) {
        table().project(floats(out), floats(in), floats(heights), skewed, mGrid, SOLVER_SWEEPS, hx, hy, solids(), crew);
    });
}

void FastKernels::projectConverged(VectorField& out, const VectorField& in, ScalarField& heights, Multigrid& multigrid,
                                   float hx, float hy) {
    checkGrid(out, in, heights);
    const std::vector<MultigridLevel>& levels = multigrid.levelsFor(hx, hy, heights.data());
    const uint32_t copies = std::min<uint32_t>(multigrid.copies(), uint32_t(mMemberLevels.size()));
    for (uint32_t k = 0; k < copies; ++k) mMemberLevels[k] = multigrid.levelsOfCopy(k);
    updateHeightFactors(hx, hy);
    if (mSolidCells.any() && mFactorBoard.empty())
        mFactorBoard = scratchOf(MULTIGRID_ARRAY_FLOATS(mGrid.resI, mGrid.resJ));
    kernels::MultigridSolve solve{levels.data(),
                                  uint32_t(levels.size()),
                                  hx,
                                  hy,
                                  mMemberLevels.data(),
                                  copies,
                                  cellsPerCoarseMember(),
                                  mMaxima.data(),
                                  &multigrid.outcome,
                                  mSolidCells.any() ? mFactorBoard.data() : nullptr};
    onTeam(
        [&](const kernels::Crew& crew) { table().projectConverged(floats(out), floats(in), solve, solids(), crew); });
}

MultigridCopies FastKernels::multigridCopies() const { return {mTeam.size(), 2 * uint64_t(cellsPerCoarseMember())}; }

uint32_t FastKernels::cellsPerCoarseMember() const {
    return std::max<uint32_t>(1, mMinCellsPerThread / kernels::COARSE_SHARE);
}

// The plain kernels map cell by cell; x depends on i alone and y on j alone.
const kernels::BacktraceMap& FastKernels::gridMap(const FluidSim2D& grid) {
    if (mMapped && sameBits(grid.gridRect, mMappedGridRect) && sameBits(grid.worldRect, mMappedWorldRect)) return mMap;
    for (uint32_t i = 0; i < mCentreX.size(); ++i) mCentreX[i] = grid.cellToWorld(i, 0).x;
    for (uint32_t j = 0; j < mCentreY.size(); ++j) mCentreY[j] = grid.cellToWorld(0, j).y;
    const Rect& g = grid.gridRect;
    const Rect& w = grid.worldRect;
    mMap.centreX = mCentreX.data();
    mMap.centreY = mCentreY.data();
    mMap.left = w.x;
    mMap.right = w.right();
    mMap.bottom = w.y;
    mMap.top = w.top();
    mMap.scaleX = double(g.width) / double(w.width);
    mMap.fromX = double(w.x);
    mMap.toX = double(g.x);
    mMap.scaleY = double(g.height) / double(w.height);
    mMap.fromY = double(w.y);
    mMap.toY = double(g.y);
    mMappedGridRect = g;
    mMappedWorldRect = w;
    mMapped = true;
    return mMap;
}

void FastKernels::advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                         float t) {
    checkGrid(out, in, velocity);
    kernels::BacktraceMap map = gridMap(grid);
    map.t = t;
    onTeam([&](const kernels::Crew& crew) {
        table().advect(floats(out), floats(in), floats(velocity), mGrid, 2, map, solids(), crew);
    });
}

void FastKernels::advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                         float t) {
    checkGrid(out, in, velocity);
    kernels::BacktraceMap map = gridMap(grid);
    map.t = t;
    onTeam([&](const kernels::Crew& crew) {
        table().advect(floats(out), floats(in), floats(velocity), mGrid, 1, map, solids(), crew);
    });
}

void FastKernels::addBodyForces(const BodyForceFields& f, float hx, float hy, float t, float confinement) {
    checkGrid(f.velocity, f.density, f.curls, f.normCurlGrads, f.velocitySources);
    kernels::BodyForceArrays arrays;
    arrays.velocity = floats(f.velocity);
    arrays.density = floats(f.density);
    arrays.curls = floats(f.curls);
    arrays.normCurlGrads = floats(f.normCurlGrads);
    arrays.velocitySources = floats(f.velocitySources);
    kernels::BodyForceConstants constants;
    constants.vorticityStrength = confinement;
    constants.buoyancy = BUOYANCY;
    constants.gradientEpsilon = GRADIENT_EPSILON;
    onTeam(
        [&](const kernels::Crew& crew) { table().addBodyForces(arrays, mGrid, hx, hy, t, constants, solids(), crew); });
}

void FastKernels::addStroke(VectorField& sources, const FluidSim2D& grid, const StrokeFootprint& f) {
    checkGrid(sources);
    const kernels::BacktraceMap& map = gridMap(grid);
    strokeRowReach(f, map.centreX, map.centreY, mStrokeFirstI.data(), mStrokeLastI.data());
    kernels::StrokeCells cells;
    cells.centreX = map.centreX;
    cells.centreY = map.centreY;
    cells.loJ = f.lo.j;
    cells.hiJ = f.hi.j;
    cells.firstI = mStrokeFirstI.data();
    cells.lastI = mStrokeLastI.data();
    cells.fromX = f.from.x;
    cells.fromY = f.from.y;
    cells.toX = f.to.x;
    cells.toY = f.to.y;
    cells.dx = f.d.x;
    cells.dy = f.d.y;
    cells.len = f.len;
    cells.directionX = f.direction.x;
    cells.directionY = f.direction.y;
    cells.strength = f.strength;
    cells.radius = STROKE_RADIUS;
    cells.core = STROKE_CORE;
    onTeam([&](const kernels::Crew& crew) { table().addStroke(floats(sources), mGrid, cells, crew); });
}

void FastKernels::setSolids(const SolidCells& cells) {
    mSolidCells = cells;
    mHeightFactors.clear();
    mFactorBoard.clear();
    mSolidMask.clear();
    mFluid.clear();
    mFluidPairs.clear();
    for (std::vector<float>& skewed : mSolidSkewed) skewed.clear();
    for (unsigned& crew : mSolidSkewedCrew) crew = 0;
    if (!cells.any()) return;
    // All bits set: a float that is kept by a bitwise and.
    float allBits;
    const uint32_t ones = 0xffffffffu;
    std::memcpy(&allBits, &ones, sizeof allBits);
    const uint32_t count = (mGrid.resI + 2) * (mGrid.resJ + 2);
    mSolidMask.assign(count, 0.0f);
    mFluid.assign(count, allBits);
    mFluidPairs.assign(2 * size_t(count), allBits);
    for (uint32_t j = 1; j <= mGrid.resJ; ++j)
        for (uint32_t i = 1; i <= mGrid.resI; ++i)
            if (cells(i, j)) {
                const uint32_t c = cellNumber(i, j, mGrid.resI);
                mSolidMask[c] = 1.0f;
                mFluid[c] = mFluidPairs[2 * size_t(c)] = mFluidPairs[2 * size_t(c) + 1] = 0.0f;
            }
    for (std::vector<float>& skewed : mSolidSkewed)
        skewed = scratchOf(mostFloats(mGrid, mLargestCrew, kernels::skewedFloats));
    mSolidArrays = {mSolidMask.data(), mFluid.data(), mFluidPairs.data(), nullptr};
}

void FastKernels::clearSources(VectorField& velocitySources, ScalarField& densitySources) {
    checkGrid(velocitySources, densitySources);
    onTeam([&](const kernels::Crew& crew) {
        clearShare(velocitySources, crew);
        clearShare(densitySources, crew);
    });
}

std::unique_ptr<CpuKernels> makeFastKernels(uint32_t resI, uint32_t resJ, ThreadCount threads) {
    return std::make_unique<FastKernels>(resI, resJ, bestKernelIsa(), threads);
}
