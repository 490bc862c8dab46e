#pragma once
// The software solver: stable fluids on the processor, one plain array per field.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "cpu/CpuKernels.h"
#include "cpu/Field.h"
#include "sim/FluidSim2D.h"
#include "sim/ProjectionMode.h"
#include "sim/SolverConstants.h"
#include "sim/StageTimes.h"

class CPUSim : public FluidSim2D {
public:
    // Runs the fast kernels on exactly `threads` threads, or by default on as many as
    // defaultThreads() gives (SMOKE_THREADS fixes them; otherwise up to the processors,
    // fewer while fewer finish steps sooner).
    CPUSim(uint32_t resI, uint32_t resJ);
    CPUSim(uint32_t resI, uint32_t resJ, unsigned threads);
    // Runs the given kernel set (the plain one, to check or time the fast one against).
    CPUSim(uint32_t resI, uint32_t resJ, std::unique_ptr<CpuKernels> kernels);
    ~CPUSim() override;

    void draw(int32_t arg) override;
    // The same velocity as every solver's stroke, added by the kernel set.
    void dragVelocity(float strength, const Vec2& from, const Vec2& to) override;
    Vec2 getVelocity(uint32_t i, uint32_t j) override;
    float getDensity(uint32_t i, uint32_t j) override;
    uint32_t index(uint32_t i, uint32_t j) override;
    void addDensity(uint32_t i, uint32_t j, float amount) override;
    void addVelocity(uint32_t i, uint32_t j, float du, float dv) override;
    void reset() override;
    void applyVorticity(double dt) override;
    void step(double dt) override;
    void clearSources() override;
    void setSolids(const SolidCells& solids) override;
    virtual void velocityStep(double dt);
    virtual void densityStep(double dt);

    // The kernels. Each writes `out` only (and mHeights in project); `out` and `in` differ.
    void addSources(VectorField& out, const VectorField& in, const VectorField& sources);
    void addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources);
    void diffuse(VectorField& out, const VectorField& in, double dt);
    void diffuse(ScalarField& out, const ScalarField& in, double dt);
    void project(VectorField& out, const VectorField& in);
    void advect(VectorField& out, const VectorField& in, double dt);
    void advect(ScalarField& out, const ScalarField& in, double dt);

    // How project solves from now on (by default with the fixed sweeps). The converged
    // solve's hierarchy is allocated here: std::bad_alloc when it cannot be had.
    void setProjection(ProjectionMode mode);
    ProjectionMode projection() const { return mMultigrid ? ProjectionMode::Converged : ProjectionMode::FixedSweeps; }
    // What the last converged projection did: its V-cycles and the residual it left.
    MultigridOutcome lastConvergedProjection() const { return mMultigrid ? mMultigrid->outcome : MultigridOutcome{}; }

    // Adds the time of every stage to `times` from now on; null stops timing.
    void setStageTimes(StageTimes* times) { mStageTimes = times; }

    // Read access for tests and tools that need whole fields.
    const VectorField& velocity() const { return *mVelocity; }
    const ScalarField& density() const { return *mDensity; }
    const VectorField& velocitySources() const { return mVelocitySources; }
    const ScalarField& densitySources() const { return mDensitySources; }

private:
    void swapVelocity() { std::swap(mVelocity, mNewVelocity); }
    void swapDensity() { std::swap(mDensity, mNewDensity); }
    float cellWidth() const { return worldRect.width / float(resI); }
    float cellHeight() const { return worldRect.height / float(resJ); }

    std::array<VectorField, 2> mVelocityBuffers;
    VectorField* mVelocity;
    VectorField* mNewVelocity;
    VectorField mVelocitySources;
    ScalarField mHeights;
    std::array<ScalarField, 2> mDensityBuffers;
    ScalarField* mDensity;
    ScalarField* mNewDensity;
    ScalarField mDensitySources;
    ScalarField mCurls;
    VectorField mNormCurlGrads;
    std::unique_ptr<CpuKernels> mKernels;
    std::unique_ptr<Multigrid> mMultigrid;  // only while the projection converges
    StageTimes* mStageTimes = nullptr;
};
