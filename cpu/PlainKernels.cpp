#include "cpu/PlainKernels.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cpu/CPUSim.h"
#include "cpu/HeightFactors.h"
#include "cpu/Multigrid.h"
#include "sim/MultigridCycles.h"

namespace {

// The Gauss-Seidel sweeps read neighbours already updated in the same sweep, so
// this visiting order is part of their result.
template <class T, class F>
void forEachInteriorCell(const Field<T>& field, F&& visit) {
    for (uint32_t i = 1; i <= field.resI(); ++i)
        for (uint32_t j = 1; j <= field.resJ(); ++j) visit(i, j);
}

// Every interior cell in that order gets value(i, j), but a solid one zero, as the
// border ring holds.
template <class T, class Value>
void updateEachCell(Field<T>& out, const SolidCells& solids, Value&& value) {
    forEachInteriorCell(out, [&](uint32_t i, uint32_t j) { out(i, j) = solids(i, j) ? T{} : value(i, j); });
}

template <class T>
void addSourcesKernel(Field<T>& out, const Field<T>& in, const Field<T>& sources, const SolidCells& solids) {
    updateEachCell(out, solids, [&](uint32_t i, uint32_t j) { return in(i, j) + sources(i, j); });
}

template <class T>
void diffuseKernel(Field<T>& out, const Field<T>& in, float a, const SolidCells& solids) {
    out.fill(T{});
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        updateEachCell(out, solids, [&](uint32_t i, uint32_t j) {
            const T s = ((out(i + 1, j) + out(i - 1, j)) + out(i, j - 1)) + out(i, j + 1);
            return (in(i, j) + a * s) / (1.0f + 4.0f * a);
        });
    }
}

template <class T>
void advectKernel(Field<T>& out, const Field<T>& in, const VectorField& velocity, const FluidSim2D& grid, float t,
                  const SolidCells& solids) {
    updateEachCell(out, solids, [&](uint32_t i, uint32_t j) {
        const Vec2 v = velocity(i, j);
        const Vec2 p = mapPoint(float(i), float(j), grid.gridRect, grid.worldRect);
        const Vec2 back = clampToRect(p - v * t, grid.worldRect);
        const CellCoord c = grid.worldToCellFloor(back);
        const Vec2 g = mapPoint(back, grid.worldRect, grid.gridRect);
        const float fx = g.x - std::floor(g.x);
        const float fy = g.y - std::floor(g.y);
        const T& q00 = in(c.i, c.j);
        const T& q10 = in(c.i + 1, c.j);
        const T& q11 = in(c.i + 1, c.j + 1);
        const T& q01 = in(c.i, c.j + 1);
        const T bottom = q00 + (q10 - q00) * fx;
        const T top = q01 + (q11 - q01) * fx;
        return bottom + (top - bottom) * fy;
    });
}

// The projection's height equation on cells hx by hy: a cell's divergence term, and
// its height from its four neighbours' and that term. Non-square cells: the
// anisotropic equation divided through by 2 (hx² + hy²), its weights rounded once
// from double.
struct HeightEquation {
    HeightEquation(float cellWidth, float cellHeight) : hx(cellWidth), hy(cellHeight), square(hx == hy) {
        const double x = hx, y = hy, scale = 2.0 * (x * x + y * y);
        westEast = float(y * y / scale);
        southNorth = float(x * x / scale);
        ax = float(x * y * y / (2.0 * scale));
        ay = float(x * x * y / (2.0 * scale));
    }

    float divergence(const VectorField& in, uint32_t i, uint32_t j) const {
        const float du = in(i + 1, j).x - in(i - 1, j).x, dv = in(i, j + 1).y - in(i, j - 1).y;
        return square ? -(hx * 0.5f * du + hy * 0.5f * dv) : -(ax * du + ay * dv);
    }
    float height(float west, float east, float south, float north, float div) const {
        if (square) return ((((west + east) + south) + north) + div) * 0.25f;
        return (westEast * (west + east) + southNorth * (south + north)) + div;
    }
    // Beside solids (cpu/HeightFactors.h): the same sum, times the cell's own factor.
    float height(float west, float east, float south, float north, float div, float factor) const {
        if (square) return ((((west + east) + south) + north) + div) * factor;
        return ((westEast * (west + east) + southNorth * (south + north)) + div) * factor;
    }

    float hx, hy;
    bool square;
    float westEast, southNorth, ax, ay;
};

// A solid neighbour reflects: its height counts as the cell's own.
void subtractGradient(VectorField& out, const VectorField& in, const ScalarField& h, float hx, float hy,
                      const SolidCells& solids) {
    auto beside = [&](uint32_t i, uint32_t j, uint32_t ownI, uint32_t ownJ) {
        return solids(i, j) ? h(ownI, ownJ) : h(i, j);
    };
    updateEachCell(out, solids, [&](uint32_t i, uint32_t j) {
        return Vec2{in(i, j).x - (beside(i + 1, j, i, j) - beside(i - 1, j, i, j)) / (2.0f * hx),
                    in(i, j).y - (beside(i, j + 1, i, j) - beside(i, j - 1, i, j)) / (2.0f * hy)};
    });
}

// ---- the converged projection's V-cycles (cpu/MultigridLevel.h) ------------------

template <class T>
T& at(T* cells, const MultigridLevel& level, uint32_t i, uint32_t j) {
    return cells[cellNumber(i, j, level.resI)];
}

template <class F>
void forEachCellOf(const MultigridLevel& level, F&& visit) {
    for (uint32_t i = 1; i <= level.resI; ++i)
        for (uint32_t j = 1; j <= level.resJ; ++j) visit(i, j);
}

// Which of a level's own weights (or their reciprocals, the scales) a cell has.
float atEdge(const MultigridLevel& level, uint32_t i, uint32_t j, float column, float row, float corner) {
    if (j == level.resJ) return i == level.resI ? corner : row;
    return i == level.resI ? column : 1.0f;
}
float scaleOf(const MultigridLevel& v, uint32_t i, uint32_t j) {
    return atEdge(v, i, j, v.lastColumnScale, v.lastRowScale, v.lastCellScale);
}
float weightOf(const MultigridLevel& v, uint32_t i, uint32_t j) {
    return atEdge(v, i, j, v.lastColumnWeight, v.lastRowWeight, v.lastCellWeight);
}

// The passes of the V-cycles (sim/MultigridCycles.h) over a hierarchy's arrays.
// Beside solids, level 0 relaxes with the cells' own factors (cpu/HeightFactors.h)
// and its solid cells stay zero when a correction is added; the coarser levels know
// no solids. They correct as if fluid flowed through the solids, so each cycle does
// less there, and more cycles reach the tolerance (docs/performance.md has the figures).
class VCyclePasses {
public:
    VCyclePasses(const std::vector<MultigridLevel>& levels, const HeightEquation& equation, const float* factors)
        : mLevels(levels), mEquation(equation), mFactors(factors) {}

    size_t levels() const { return mLevels.size(); }

    // Red-black Gauss-Seidel: the cells with i + j even, then the others.
    void smooth(size_t l, int sweeps) {
        const MultigridLevel& v = mLevels[l];
        for (int sweep = 0; sweep < sweeps; ++sweep)
            for (uint32_t colour = 0; colour < 2; ++colour)
                forEachCellOf(v, [&](uint32_t i, uint32_t j) {
                    if ((i + j) % 2 == colour) at(v.x, v, i, j) = relaxed(l, i, j);
                });
    }

    // Stores the residual of every cell; returns the largest in magnitude.
    float residual(size_t l) {
        const MultigridLevel& v = mLevels[l];
        float largest = 0.0f;
        forEachCellOf(v, [&](uint32_t i, uint32_t j) {
            const float r = (relaxed(l, i, j) - at(v.x, v, i, j)) * weightOf(v, i, j);
            at(v.r, v, i, j) = r;
            if (std::fabs(r) > largest) largest = std::fabs(r);
        });
        return largest;
    }

    // The finer level's residual, full-weighted (1/4, 1/2, 1/4 along each halved axis),
    // as level c's right-hand side; its correction starts from zero.
    void restrictTo(size_t c) {
        const MultigridLevel& v = mLevels[c - 1];
        const MultigridLevel& coarse = mLevels[c];
        for (uint32_t j = 1; j <= v.resJ; ++j) at(v.r, v, v.resI, j) *= coarse.foldI;
        for (uint32_t i = 1; i <= v.resI; ++i) at(v.r, v, i, v.resJ) *= coarse.foldJ;
        auto across = [&](uint32_t ci, uint32_t j) {
            if (!coarse.halvedI) return at(v.r, v, ci, j);
            return (at(v.r, v, 2 * ci - 1, j) + at(v.r, v, 2 * ci + 1, j)) * 0.25f + at(v.r, v, 2 * ci, j) * 0.5f;
        };
        forEachCellOf(coarse, [&](uint32_t ci, uint32_t cj) {
            const float r = coarse.halvedJ
                                ? (across(ci, 2 * cj - 1) + across(ci, 2 * cj + 1)) * 0.25f + across(ci, 2 * cj) * 0.5f
                                : across(ci, cj);
            at(coarse.f, coarse, ci, cj) = r * coarse.rhsScale;
        });
        std::fill(coarse.x, coarse.x + size_t(coarse.resI + 2) * (coarse.resJ + 2), 0.0f);
    }

    // Adds level c's correction, interpolated bilinearly, to the finer level; beyond
    // its last column and row it extrapolates to the walls.
    void prolongFrom(size_t c) {
        const MultigridLevel& v = mLevels[c - 1];
        const MultigridLevel& coarse = mLevels[c];
        for (uint32_t cj = 1; cj <= coarse.resJ; ++cj)
            at(coarse.x, coarse, coarse.resI + 1, cj) = coarse.ghostI * at(coarse.x, coarse, coarse.resI, cj);
        for (uint32_t ci = 1; ci <= coarse.resI + 1; ++ci)
            at(coarse.x, coarse, ci, coarse.resJ + 1) = coarse.ghostJ * at(coarse.x, coarse, ci, coarse.resJ);
        auto across = [&](uint32_t i, uint32_t cj) {
            if (!coarse.halvedI) return at(coarse.x, coarse, i, cj);
            if (i % 2 == 0) return at(coarse.x, coarse, i / 2, cj);
            return (at(coarse.x, coarse, i / 2, cj) + at(coarse.x, coarse, i / 2 + 1, cj)) * 0.5f;
        };
        forEachCellOf(v, [&](uint32_t i, uint32_t j) {
            if (c == 1 && mFactors && !(at(mFactors, v, i, j) > 0.0f)) {
                at(v.x, v, i, j) = 0.0f;
            } else if (!coarse.halvedJ) {
                at(v.x, v, i, j) += across(i, j);
            } else if (j % 2 == 0) {
                at(v.x, v, i, j) += across(i, j / 2);
            } else {
                at(v.x, v, i, j) += (across(i, j / 2) + across(i, j / 2 + 1)) * 0.5f;
            }
        });
    }

private:
    // A cell's new value: level 0's height equation, or a coarser level's own.
    float relaxed(size_t l, uint32_t i, uint32_t j) const {
        const MultigridLevel& v = mLevels[l];
        const float west = at(v.x, v, i - 1, j), east = at(v.x, v, i + 1, j);
        const float south = at(v.x, v, i, j - 1), north = at(v.x, v, i, j + 1);
        if (l == 0 && mFactors)
            return mEquation.height(west, east, south, north, at(v.f, v, i, j), at(mFactors, v, i, j));
        if (l == 0) return mEquation.height(west, east, south, north, at(v.f, v, i, j));
        return ((v.westEast * (west + east) + v.southNorth * (south + north)) + at(v.f, v, i, j)) * scaleOf(v, i, j);
    }

    const std::vector<MultigridLevel>& mLevels;
    const HeightEquation& mEquation;
    const float* mFactors;
};

}  // namespace

void PlainKernels::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    addSourcesKernel(out, in, sources, mSolids);
}
void PlainKernels::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    addSourcesKernel(out, in, sources, mSolids);
}
void PlainKernels::diffuse(VectorField& out, const VectorField& in, float a) { diffuseKernel(out, in, a, mSolids); }
void PlainKernels::diffuse(ScalarField& out, const ScalarField& in, float a) { diffuseKernel(out, in, a, mSolids); }

void PlainKernels::advect(VectorField& out, const VectorField& in, const VectorField& velocity, const FluidSim2D& grid,
                          float t) {
    advectKernel(out, in, velocity, grid, t, mSolids);
}
void PlainKernels::advect(ScalarField& out, const ScalarField& in, const VectorField& velocity, const FluidSim2D& grid,
                          float t) {
    advectKernel(out, in, velocity, grid, t, mSolids);
}

void PlainKernels::project(VectorField& out, const VectorField& in, ScalarField& h, float hx, float hy) {
    const HeightEquation equation(hx, hy);
    const float* factors = heightFactorsFor(hx, hy);
    h.fill(0.0f);
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        forEachInteriorCell(out, [&](uint32_t i, uint32_t j) {
            const float div = equation.divergence(in, i, j);
            h(i, j) = factors ? equation.height(h(i - 1, j), h(i + 1, j), h(i, j - 1), h(i, j + 1), div,
                                                factors[cellNumber(i, j, out.resI())])
                              : equation.height(h(i - 1, j), h(i + 1, j), h(i, j - 1), h(i, j + 1), div);
        });
    }
    subtractGradient(out, in, h, hx, hy, mSolids);
}

void PlainKernels::projectConverged(VectorField& out, const VectorField& in, ScalarField& h, Multigrid& multigrid,
                                    float hx, float hy) {
    const HeightEquation equation(hx, hy);
    const std::vector<MultigridLevel>& levels = multigrid.levelsFor(hx, hy, h.data());
    const MultigridLevel& fine = levels[0];
    h.fill(0.0f);
    forEachCellOf(fine, [&](uint32_t i, uint32_t j) { at(fine.f, fine, i, j) = equation.divergence(in, i, j); });
    VCyclePasses passes(levels, equation, heightFactorsFor(hx, hy));
    multigrid.outcome = runVCycles(passes);
    subtractGradient(out, in, h, hx, hy, mSolids);
}

const float* PlainKernels::heightFactorsFor(float hx, float hy) {
    if (!mSolids.any()) return nullptr;
    if (hx != mFactorsHx || hy != mFactorsHy || mFactors.empty()) {
        mFactors = heightFactors(mSolids, mSolids.resI(), mSolids.resJ(), hx, hy);
        mFactorsHx = hx;
        mFactorsHy = hy;
    }
    return mFactors.data();
}

void PlainKernels::addBodyForces(const BodyForceFields& f, float hx, float hy, float t, float confinement) {
    const VectorField& v = f.velocity;
    f.curls.fill(0.0f);
    updateEachCell(f.curls, mSolids, [&](uint32_t i, uint32_t j) {
        return (v(i + 1, j).y - v(i - 1, j).y) / (2.0f * hx) - (v(i, j + 1).x - v(i, j - 1).x) / (2.0f * hy);
    });

    const ScalarField& w = f.curls;
    f.normCurlGrads.fill({0.0f, 0.0f});
    updateEachCell(f.normCurlGrads, mSolids, [&](uint32_t i, uint32_t j) {
        const Vec2 g{(std::fabs(w(i + 1, j)) - std::fabs(w(i - 1, j))) / (2.0f * hx),
                     (std::fabs(w(i, j + 1)) - std::fabs(w(i, j - 1))) / (2.0f * hy)};
        const float length = std::sqrt(g.x * g.x + g.y * g.y);
        // A gradient this short has no reliable direction: it stays raw, which
        // also avoids dividing by zero on a flat curl.
        return length >= GRADIENT_EPSILON ? g / length : g;
    });

    forEachInteriorCell(v, [&](uint32_t i, uint32_t j) {
        const Vec2 n = f.normCurlGrads(i, j);
        const Vec2 buoyancy{0.0f, BUOYANCY * f.density(i, j)};
        const Vec2 push = Vec2{n.y, -n.x} * (confinement * w(i, j));
        f.velocitySources(i, j) += t * (buoyancy + push);
    });
}

// As the solvers' common stroke does it, with this solver's sources as the sink.
void PlainKernels::addStroke(VectorField& sources, const FluidSim2D& grid, const StrokeFootprint& stroke) {
    for (uint32_t ci = stroke.lo.i; ci <= stroke.hi.i; ++ci)
        for (uint32_t cj = stroke.lo.j; cj <= stroke.hi.j; ++cj)
            sources(ci, cj) += strokeIncrement(stroke, grid.cellToWorld(ci, cj));
}

void PlainKernels::clearSources(VectorField& velocitySources, ScalarField& densitySources) {
    velocitySources.fill({0.0f, 0.0f});
    densitySources.fill(0.0f);
}

std::unique_ptr<CPUSim> makePlainCpuSim(uint32_t resI, uint32_t resJ) {
    return std::make_unique<CPUSim>(resI, resJ, std::make_unique<PlainKernels>());
}
