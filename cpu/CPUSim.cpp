#include "cpu/CPUSim.h"

#include "cpu/kernels/FastKernels.h"

#ifndef SMOKE_WITHOUT_GL
#include <GL/gl.h>
#endif

#include <chrono>

namespace {

// While it lives, the wall-clock time passes to a stage's account (when there is one).
class WallStageClock {
public:
    WallStageClock(StageTimes* times, Stage stage) : mTimes(times), mStage(stage) {
        if (mTimes) mStart = std::chrono::steady_clock::now();
    }
    ~WallStageClock() {
        if (mTimes)
            mTimes->ms[int(mStage)] +=
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mStart).count();
    }
    WallStageClock(const WallStageClock&) = delete;
    WallStageClock& operator=(const WallStageClock&) = delete;

private:
    StageTimes* mTimes;
    Stage mStage;
    std::chrono::steady_clock::time_point mStart;
};

}  // namespace

CPUSim::CPUSim(uint32_t resI_, uint32_t resJ_)
    : CPUSim(resI_, resJ_, makeFastKernels(resI_, resJ_, defaultThreads())) {}

CPUSim::CPUSim(uint32_t resI_, uint32_t resJ_, unsigned threads)
    : CPUSim(resI_, resJ_, makeFastKernels(resI_, resJ_, ThreadCount(threads))) {}

CPUSim::CPUSim(uint32_t resI_, uint32_t resJ_, std::unique_ptr<CpuKernels> kernels)
    : FluidSim2D(resI_, resJ_),
      mVelocityBuffers{VectorField(resI_, resJ_), VectorField(resI_, resJ_)},
      mVelocity(&mVelocityBuffers[0]),
      mNewVelocity(&mVelocityBuffers[1]),
      mVelocitySources(resI_, resJ_),
      mHeights(resI_, resJ_),
      mDensityBuffers{ScalarField(resI_, resJ_), ScalarField(resI_, resJ_)},
      mDensity(&mDensityBuffers[0]),
      mNewDensity(&mDensityBuffers[1]),
      mDensitySources(resI_, resJ_),
      mCurls(resI_, resJ_),
      mNormCurlGrads(resI_, resJ_),
      mKernels(std::move(kernels)) {
    CPUSim::reset();
}

CPUSim::~CPUSim() = default;

void CPUSim::setProjection(ProjectionMode mode) {
    if (mode == ProjectionMode::Converged && !mMultigrid) {
        mMultigrid = std::make_unique<Multigrid>(resI, resJ, mKernels->multigridCopies());
        // Planned for the cells as they are, so that the first step allocates nothing.
        mMultigrid->levelsFor(cellWidth(), cellHeight(), mHeights.data());
    }
    if (mode == ProjectionMode::FixedSweeps) mMultigrid.reset();
}

// ---- accessors -------------------------------------------------------------

uint32_t CPUSim::index(uint32_t i, uint32_t j) { return cellNumber(i, j, resI); }
Vec2 CPUSim::getVelocity(uint32_t i, uint32_t j) { return (*mVelocity)[index(i, j)]; }
float CPUSim::getDensity(uint32_t i, uint32_t j) { return (*mDensity)[index(i, j)]; }
void CPUSim::addDensity(uint32_t i, uint32_t j, float amount) { mDensitySources[index(i, j)] += amount; }

void CPUSim::addVelocity(uint32_t i, uint32_t j, float du, float dv) {
    Vec2& source = mVelocitySources[index(i, j)];
    source.x += du;
    source.y += dv;
}

void CPUSim::dragVelocity(float strength, const Vec2& from, const Vec2& to) {
    const WallStageClock clock(mStageTimes, Stage::Strokes);
    const StrokeFootprint stroke = strokeFootprint(strength, from, to);
    if (stroke.stirs) mKernels->addStroke(mVelocitySources, *this, stroke);
}

void CPUSim::reset() {
    mVelocity->fill({0.0f, 0.0f});
    mDensity->fill(0.0f);
    mCurls.fill(0.0f);
    mNormCurlGrads.fill({0.0f, 0.0f});
    clearSources();
}

void CPUSim::setSolids(const SolidCells& solids) {
    FluidSim2D::setSolids(solids);
    mKernels->setSolids(mSolids);
    for (uint32_t i = 1; i <= resI; ++i)
        for (uint32_t j = 1; j <= resJ; ++j)
            if (mSolids(i, j)) {
                (*mVelocity)(i, j) = {0.0f, 0.0f};
                (*mDensity)(i, j) = 0.0f;
            }
}

void CPUSim::clearSources() {
    const WallStageClock clock(mStageTimes, Stage::Clearing);
    mKernels->clearSources(mVelocitySources, mDensitySources);
}

// ---- the step --------------------------------------------------------------

void CPUSim::step(double dt) {
    mKernels->stepStarting();
    velocityStep(dt);
    densityStep(dt);
    mKernels->stepFinished();
}

void CPUSim::velocityStep(double dt) {
    addSources(*mNewVelocity, *mVelocity, mVelocitySources);
    swapVelocity();
    if (diffuseEnabled) {
        diffuse(*mNewVelocity, *mVelocity, dt);
        swapVelocity();
    }
    if (projectEnabled) {
        project(*mNewVelocity, *mVelocity);
        swapVelocity();
    }
    if (advectEnabled) {
        advect(*mNewVelocity, *mVelocity, dt);
        swapVelocity();
    }
    if (projectEnabled) {
        project(*mNewVelocity, *mVelocity);
        swapVelocity();
    }
}

void CPUSim::densityStep(double dt) {
    addSources(*mNewDensity, *mDensity, mDensitySources);
    swapDensity();
    if (diffuseEnabled) {
        diffuse(*mNewDensity, *mDensity, dt);
        swapDensity();
    }
    if (advectEnabled) {
        advect(*mNewDensity, *mDensity, dt);
        swapDensity();
    }
}

// ---- kernels ---------------------------------------------------------------

void CPUSim::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    const WallStageClock clock(mStageTimes, Stage::Sources);
    mKernels->addSources(out, in, sources);
}
void CPUSim::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    const WallStageClock clock(mStageTimes, Stage::Sources);
    mKernels->addSources(out, in, sources);
}
void CPUSim::diffuse(VectorField& out, const VectorField& in, double dt) {
    const WallStageClock clock(mStageTimes, Stage::Diffusion);
    mKernels->diffuse(out, in, float(dt * DIFFUSION_RATE));
}
void CPUSim::diffuse(ScalarField& out, const ScalarField& in, double dt) {
    const WallStageClock clock(mStageTimes, Stage::Diffusion);
    mKernels->diffuse(out, in, float(dt * DIFFUSION_RATE));
}
void CPUSim::project(VectorField& out, const VectorField& in) {
    const WallStageClock clock(mStageTimes, Stage::Projection);
    if (mMultigrid) {
        mKernels->projectConverged(out, in, mHeights, *mMultigrid, cellWidth(), cellHeight());
    } else {
        mKernels->project(out, in, mHeights, cellWidth(), cellHeight());
    }
}
void CPUSim::advect(VectorField& out, const VectorField& in, double dt) {
    const WallStageClock clock(mStageTimes, Stage::Advection);
    mKernels->advect(out, in, *mVelocity, *this, float(dt));
}
void CPUSim::advect(ScalarField& out, const ScalarField& in, double dt) {
    const WallStageClock clock(mStageTimes, Stage::Advection);
    mKernels->advect(out, in, *mVelocity, *this, float(dt));
}

void CPUSim::applyVorticity(double dt) {
    const WallStageClock clock(mStageTimes, Stage::BodyForces);
    mKernels->addBodyForces({*mVelocity, *mDensity, mCurls, mNormCurlGrads, mVelocitySources}, cellWidth(),
                            cellHeight(), float(dt), confinementStrength(cellWidth(), cellHeight()));
}

// ---- drawing ---------------------------------------------------------------

#ifdef SMOKE_WITHOUT_GL
// A build without GL (the cross build whose tests run under emulation) has nothing to draw on.
void CPUSim::draw(int32_t) {}
#else
void CPUSim::draw(int32_t) {
    const float w = worldRect.width / float(resI);
    const float h = worldRect.height / float(resJ);
    glBegin(GL_QUADS);
    for (uint32_t i = 1; i <= resI; ++i)
        for (uint32_t j = 1; j <= resJ; ++j) {
            float grey = (*mDensity)[index(i, j)] / DENSITY_DISPLAY_SCALE;
            if (grey > 1.0f) grey = 1.0f;
            const Vec2 c = mapPoint(float(i) - 0.5f, float(j) - 0.5f, gridRect, worldRect);
            const float corners[4][2] = {{c.x, c.y + h}, {c.x, c.y}, {c.x + w, c.y}, {c.x + w, c.y + h}};
            glColor3f(grey, grey, grey);
            for (const auto& corner : corners) glVertex2fv(corner);
        }
    glEnd();
}
#endif
