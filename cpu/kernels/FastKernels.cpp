#include "cpu/kernels/FastKernels.h"

#include <limits>
#include <new>
#include <string>
#include <stdexcept>

#include "cpu/CPUSim.h"
#include "cpu/kernels/StrokeReach.h"

namespace {

const kernels::KernelTable& tableFor(KernelIsa isa) {
    if (!kernelIsaAvailable(isa)) throw std::invalid_argument(std::string("this processor lacks ") + kernelIsaName(isa));
    return isa == KernelIsa::Avx2 ? kernels::avx2Kernels() : kernels::sse2Kernels();
}

// A scratch array as large as the skewed layout needs, addressable like a field.
std::vector<float> skewScratch(kernels::GridSize grid) {
    const uint64_t floats = kernels::skewedFloats(grid);
    if (floats * sizeof(float) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    return std::vector<float>(floats, 0.0f);
}

template <class T>
float* floats(Field<T>& field) { return reinterpret_cast<float*>(field.data()); }
template <class T>
const float* floats(const Field<T>& field) { return reinterpret_cast<const float*>(field.data()); }

static_assert(sizeof(Vec2) == 2 * sizeof(float), "the kernels read a Vec2 array as pairs of floats");
static_assert(SOLVER_SWEEPS >= 1, "the relaxation starts with a sweep from zero");

}  // namespace

bool kernelIsaAvailable(KernelIsa isa) {
    if (isa == KernelIsa::Sse2) return true;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

KernelIsa bestKernelIsa() { return kernelIsaAvailable(KernelIsa::Avx2) ? KernelIsa::Avx2 : KernelIsa::Sse2; }

const char* kernelIsaName(KernelIsa isa) { return isa == KernelIsa::Avx2 ? "avx2" : "sse2"; }

FastKernels::FastKernels(uint32_t resI, uint32_t resJ, KernelIsa isa)
    : mTable(tableFor(isa)),
      mGrid{resI, resJ},
      mRelaxed(skewScratch(mGrid)),
      mFixed(skewScratch(mGrid)),
      mCentreX(size_t(resI) + 2),
      mCentreY(size_t(resJ) + 2),
      mStrokeFirstI(size_t(resJ) + 2),
      mStrokeLastI(size_t(resJ) + 2) {}

// The kernels index the scratch arrays by this grid; a field of another size would run past them.
template <class... Fields>
void FastKernels::checkGrid(const Fields&... fields) const {
    if (((fields.resI() != mGrid.resI || fields.resJ() != mGrid.resJ) || ...))
        throw std::invalid_argument("a field of another grid size than the solver's");
}

void FastKernels::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    checkGrid(out, in, sources);
    mTable.addSources(floats(out), floats(in), floats(sources), mGrid, 2);
}

void FastKernels::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    checkGrid(out, in, sources);
    mTable.addSources(floats(out), floats(in), floats(sources), mGrid, 1);
}

void FastKernels::diffuse(VectorField& out, const VectorField& in, float a) {
    checkGrid(out, in);
    mTable.diffuse(floats(out), floats(in), scratch(), mGrid, 2, SOLVER_SWEEPS, a);
}

void FastKernels::diffuse(ScalarField& out, const ScalarField& in, float a) {
    checkGrid(out, in);
    mTable.diffuse(floats(out), floats(in), scratch(), mGrid, 1, SOLVER_SWEEPS, a);
}

void FastKernels::project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) {
    checkGrid(out, in, heights);
    mTable.project(floats(out), floats(in), floats(heights), scratch(), mGrid, SOLVER_SWEEPS, hx, hy);
}

// The world position of every cell centre, from the same mapping the plain kernels
// apply cell by cell: x depends on i alone and y on j alone.
void FastKernels::refreshCentres(const FluidSim2D& grid) {
    for (uint32_t i = 0; i < mCentreX.size(); ++i) mCentreX[i] = grid.cellToWorld(i, 0).x;
    for (uint32_t j = 0; j < mCentreY.size(); ++j) mCentreY[j] = grid.cellToWorld(0, j).y;
}

kernels::BacktraceMap FastKernels::backtraceMap(const FluidSim2D& grid, float t) {
    refreshCentres(grid);
    const Rect& g = grid.gridRect;
    const Rect& w = grid.worldRect;
    return {mCentreX.data(),
            mCentreY.data(),
            w.x,
            w.right(),
            w.y,
            w.top(),
            double(g.width) / double(w.width),
            double(w.x),
            double(g.x),
            double(g.height) / double(w.height),
            double(w.y),
            double(g.y),
            t};
}

void FastKernels::advect(VectorField& out, const VectorField& in, const VectorField& velocity,
                         const FluidSim2D& grid, float t) {
    checkGrid(out, in, velocity);
    mTable.advect(floats(out), floats(in), floats(velocity), mGrid, 2, backtraceMap(grid, t));
}

void FastKernels::advect(ScalarField& out, const ScalarField& in, const VectorField& velocity,
                         const FluidSim2D& grid, float t) {
    checkGrid(out, in, velocity);
    mTable.advect(floats(out), floats(in), floats(velocity), mGrid, 1, backtraceMap(grid, t));
}

void FastKernels::addBodyForces(const BodyForceFields& f, float hx, float hy, float t) {
    checkGrid(f.velocity, f.density, f.curls, f.normCurlGrads, f.velocitySources);
    const kernels::BodyForceArrays arrays{floats(f.velocity), floats(f.density), floats(f.curls),
                                          floats(f.normCurlGrads), floats(f.velocitySources)};
    mTable.addBodyForces(arrays, mGrid, hx, hy, t, {VORTICITY_STRENGTH, BUOYANCY, GRADIENT_EPSILON});
}

void FastKernels::addStroke(VectorField& sources, const FluidSim2D& grid, const StrokeFootprint& f) {
    checkGrid(sources);
    refreshCentres(grid);
    strokeRowReach(f, mCentreX.data(), mCentreY.data(), mStrokeFirstI.data(), mStrokeLastI.data());
    const kernels::StrokeCells cells{mCentreX.data(),
                                     mCentreY.data(),
                                     f.lo.j,
                                     f.hi.j,
                                     mStrokeFirstI.data(),
                                     mStrokeLastI.data(),
                                     f.from.x,
                                     f.from.y,
                                     f.to.x,
                                     f.to.y,
                                     f.d.x,
                                     f.d.y,
                                     f.len,
                                     f.direction.x,
                                     f.direction.y,
                                     f.strength,
                                     STROKE_RADIUS,
                                     STROKE_CORE};
    mTable.addStroke(floats(sources), mGrid, cells);
}

std::unique_ptr<CpuKernels> makeFastKernels(uint32_t resI, uint32_t resJ) {
    return std::make_unique<FastKernels>(resI, resJ);
}
