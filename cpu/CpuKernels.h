#pragma once
// The numerical kernels of the software solver as one replaceable set. The solver
// runs the fast set (cpu/kernels/); the plain set (cpu/PlainKernels.h) is what it
// must match bit for bit, and the tests and the benchmark run the solver with either.

#include "cpu/Field.h"
#include "cpu/Multigrid.h"
#include "sim/FluidSim2D.h"

// The fields that the body forces read and write.
struct BodyForceFields {
    const VectorField& velocity;
    const ScalarField& density;
    ScalarField& curls;
    VectorField& normCurlGrads;
    VectorField& velocitySources;
};

// Every kernel writes its outputs only, and only their interior cells, except where
// it says otherwise; `out` and `in` are always different arrays. The float
// parameters are rounded once by the caller, so both sets see the same values.
class CpuKernels {
public:
    CpuKernels() = default;
    CpuKernels(const CpuKernels&) = delete;
    CpuKernels& operator=(const CpuKernels&) = delete;
    virtual ~CpuKernels() = default;

    virtual void addSources(VectorField& out, const VectorField& in, const VectorField& sources) = 0;
    virtual void addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) = 0;
    // Clears all of `out`, border included, then relaxes it with coefficient a.
    virtual void diffuse(VectorField& out, const VectorField& in, float a) = 0;
    virtual void diffuse(ScalarField& out, const ScalarField& in, float a) = 0;
    // Leaves the final heights in `heights`, border cleared.
    virtual void project(VectorField& out, const VectorField& in, ScalarField& heights, float hx, float hy) = 0;
    // The same equation solved by multigrid V-cycles until it has converged (see
    // cpu/MultigridLevel.h), on the hierarchy `multigrid` of this grid; its outcome
    // says how far.
    virtual void projectConverged(VectorField& out, const VectorField& in, ScalarField& heights, Multigrid& multigrid,
                                  float hx, float hy) = 0;
    // The copies of the small levels that this set's threads keep of their own.
    virtual MultigridCopies multigridCopies() const { return {}; }
    // Traces back along `velocity` over the grid's rectangles.
    virtual void advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                        float t) = 0;
    virtual void advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                        float t) = 0;
    // Recomputes curls and normalised curl gradients in full (borders cleared) and adds
    // t times buoyancy plus confinement, of the given strength, to the velocity sources.
    virtual void addBodyForces(const BodyForceFields& fields, float hx, float hy, float t, float confinement) = 0;
    // Adds a stroke's velocity (strokeIncrement) to every cell of its box; the stroke stirs.
    virtual void addStroke(VectorField& velocitySources, const FluidSim2D& grid, const StrokeFootprint& stroke) = 0;
    // From now on every kernel holds these cells at zero in what it writes (curls and
    // curl gradients included), so that they behave like the border ring.
    virtual void setSolids(const SolidCells& solids) = 0;
    // Zeroes both source fields in full.
    virtual void clearSources(VectorField& velocitySources, ScalarField& densitySources) = 0;

    // Around every step: a set that runs on several threads may choose how many share
    // the coming calls by how long steps take. No result depends on it.
    virtual void stepStarting() {}
    virtual void stepFinished() {}
};
