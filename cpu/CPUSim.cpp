#include "cpu/CPUSim.h"

#include <GL/gl.h>

#include <cmath>

CPUSim::CPUSim(uint32_t resI_, uint32_t resJ_)
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
      mNormCurlGrads(resI_, resJ_) {
    CPUSim::reset();
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

void CPUSim::reset() {
    mVelocity->fill({0.0f, 0.0f});
    mDensity->fill(0.0f);
    mCurls.fill(0.0f);
    mNormCurlGrads.fill({0.0f, 0.0f});
    clearSources();
}

void CPUSim::clearSources() {
    mDensitySources.fill(0.0f);
    mVelocitySources.fill({0.0f, 0.0f});
}

// ---- the step --------------------------------------------------------------

void CPUSim::step(double dt) {
    velocityStep(dt);
    densityStep(dt);
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

// The Gauss-Seidel sweeps read neighbours already updated in the same sweep, so
// the visiting order (i outer, j inner) is part of the result.
template <class F>
void CPUSim::forEachInteriorCell(F&& visit) const {
    for (uint32_t i = 1; i <= resI; ++i)
        for (uint32_t j = 1; j <= resJ; ++j) visit(i, j);
}

template <class T>
void CPUSim::addSourcesKernel(Field<T>& out, const Field<T>& in, const Field<T>& sources) {
    forEachInteriorCell([&](uint32_t i, uint32_t j) { out(i, j) = in(i, j) + sources(i, j); });
}

template <class T>
void CPUSim::diffuseKernel(Field<T>& out, const Field<T>& in, double dt) {
    const float a = float(dt * DIFFUSION_RATE);
    out.fill(T{});
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        forEachInteriorCell([&](uint32_t i, uint32_t j) {
            const T s = ((out(i + 1, j) + out(i - 1, j)) + out(i, j - 1)) + out(i, j + 1);
            out(i, j) = (in(i, j) + a * s) / (1.0f + 4.0f * a);
        });
    }
}

template <class T>
void CPUSim::advectKernel(Field<T>& out, const Field<T>& in, double dt) {
    const float t = float(dt);
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        const Vec2 v = (*mVelocity)(i, j);
        const Vec2 p = mapPoint(float(i), float(j), gridRect, worldRect);
        const Vec2 back = clampToRect(p - v * t, worldRect);
        const CellCoord c = worldToCellFloor(back);
        const Vec2 g = mapPoint(back, worldRect, gridRect);
        const float fx = g.x - std::floor(g.x);
        const float fy = g.y - std::floor(g.y);
        const T& q00 = in(c.i, c.j);
        const T& q10 = in(c.i + 1, c.j);
        const T& q11 = in(c.i + 1, c.j + 1);
        const T& q01 = in(c.i, c.j + 1);
        const T bottom = q00 + (q10 - q00) * fx;
        const T top = q01 + (q11 - q01) * fx;
        out(i, j) = bottom + (top - bottom) * fy;
    });
}

void CPUSim::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    addSourcesKernel(out, in, sources);
}
void CPUSim::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    addSourcesKernel(out, in, sources);
}
void CPUSim::diffuse(VectorField& out, const VectorField& in, double dt) { diffuseKernel(out, in, dt); }
void CPUSim::diffuse(ScalarField& out, const ScalarField& in, double dt) { diffuseKernel(out, in, dt); }
void CPUSim::advect(VectorField& out, const VectorField& in, double dt) { advectKernel(out, in, dt); }
void CPUSim::advect(ScalarField& out, const ScalarField& in, double dt) { advectKernel(out, in, dt); }

void CPUSim::project(VectorField& out, const VectorField& in) {
    const float hx = cellWidth();
    const float hy = cellHeight();
    ScalarField& h = mHeights;
    h.fill(0.0f);
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        forEachInteriorCell([&](uint32_t i, uint32_t j) {
            const float div =
                -(hx * 0.5f * (in(i + 1, j).x - in(i - 1, j).x) + hy * 0.5f * (in(i, j + 1).y - in(i, j - 1).y));
            h(i, j) = ((((h(i - 1, j) + h(i + 1, j)) + h(i, j - 1)) + h(i, j + 1)) + div) * 0.25f;
        });
    }
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        out(i, j).x = in(i, j).x - (h(i + 1, j) - h(i - 1, j)) / (2.0f * hx);
        out(i, j).y = in(i, j).y - (h(i, j + 1) - h(i, j - 1)) / (2.0f * hy);
    });
}

// ---- body forces -----------------------------------------------------------

void CPUSim::applyVorticity(double dt) {
    computeCurls();
    computeNormCurlGrads();
    addBodyForces(float(dt));
}

void CPUSim::computeCurls() {
    const VectorField& v = *mVelocity;
    const float hx = cellWidth();
    const float hy = cellHeight();
    mCurls.fill(0.0f);
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        mCurls(i, j) = (v(i + 1, j).y - v(i - 1, j).y) / (2.0f * hx) - (v(i, j + 1).x - v(i, j - 1).x) / (2.0f * hy);
    });
}

void CPUSim::computeNormCurlGrads() {
    const ScalarField& w = mCurls;
    const float hx = cellWidth();
    const float hy = cellHeight();
    mNormCurlGrads.fill({0.0f, 0.0f});
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        const Vec2 g{(std::fabs(w(i + 1, j)) - std::fabs(w(i - 1, j))) / (2.0f * hx),
                     (std::fabs(w(i, j + 1)) - std::fabs(w(i, j - 1))) / (2.0f * hy)};
        const float length = std::sqrt(g.x * g.x + g.y * g.y);
        // A gradient this short has no reliable direction: keep it raw, which
        // also avoids dividing by zero on a flat curl.
        mNormCurlGrads(i, j) = length >= GRADIENT_EPSILON ? g / length : g;
    });
}

void CPUSim::addBodyForces(float t) {
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        const Vec2 n = mNormCurlGrads(i, j);
        const float w = mCurls(i, j);
        const Vec2 buoyancy{0.0f, BUOYANCY * (*mDensity)(i, j)};
        const Vec2 confinement = Vec2{n.y, -n.x} * (VORTICITY_STRENGTH * w);
        mVelocitySources(i, j) += t * (buoyancy + confinement);
    });
}

// ---- drawing ---------------------------------------------------------------

void CPUSim::draw(int32_t) {
    const float w = worldRect.width / float(resI);
    const float h = worldRect.height / float(resJ);
    glBegin(GL_QUADS);
    forEachInteriorCell([&](uint32_t i, uint32_t j) {
        float grey = (*mDensity)[index(i, j)] / DENSITY_DISPLAY_SCALE;
        if (grey > 1.0f) grey = 1.0f;
        const Vec2 c = mapPoint(float(i) - 0.5f, float(j) - 0.5f, gridRect, worldRect);
        const float corners[4][2] = {{c.x, c.y + h}, {c.x, c.y}, {c.x + w, c.y}, {c.x + w, c.y + h}};
        glColor3f(grey, grey, grey);
        for (const auto& corner : corners) glVertex2fv(corner);
    });
    glEnd();
}
