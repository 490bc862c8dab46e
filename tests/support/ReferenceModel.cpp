#include "tests/support/ReferenceModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double DIFFUSION_RATE = 10.0;
constexpr double VORTICITY_STRENGTH = 0.1;
constexpr double BUOYANCY = 0.002;
constexpr double GRADIENT_EPSILON = 0.00001;

// Interior cells, i in the outer loop: the order the Gauss-Seidel sweeps update in.
template <class F>
void forEachInterior(const Texels& t, F&& visit) {
    for (uint32_t i = 1; i <= t.resI; ++i)
        for (uint32_t j = 1; j <= t.resJ; ++j) visit(i, j);
}

// Iterations of x <- update(x) from zero: Jacobi reads only the previous iterate,
// Gauss-Seidel the cells already updated in this sweep as well.
template <class Update>
Texels relax(const Texels& shape, int iterations, Solver solver, Update update) {
    Texels x(shape.resI, shape.resJ);
    for (int k = 0; k < iterations; ++k) {
        Texels next = x;
        const Texels& neighbours = solver == Solver::Jacobi ? x : next;
        forEachInterior(x, [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < 4; ++c) next(i, j, c) = update(neighbours, i, j, c);
        });
        x = std::move(next);
    }
    return x;
}

double sumOfNeighbours(const Texels& x, uint32_t i, uint32_t j, int c) {
    return ((x(i + 1, j, c) + x(i - 1, j, c)) + x(i, j - 1, c)) + x(i, j + 1, c);
}

Texels curl(const Texels& v) {
    Texels out(v.resI, v.resJ);
    const double hx = 1.0 / v.resI, hy = 1.0 / v.resJ;
    forEachInterior(v, [&](uint32_t i, uint32_t j) {
        out(i, j, 0) = (v(i + 1, j, 1) - v(i - 1, j, 1)) / (2 * hx) - (v(i, j + 1, 0) - v(i, j - 1, 0)) / (2 * hy);
    });
    return out;
}

Texels normCurlGrad(const Texels& w) {
    Texels out(w.resI, w.resJ);
    const double hx = 1.0 / w.resI, hy = 1.0 / w.resJ;
    forEachInterior(w, [&](uint32_t i, uint32_t j) {
        double gx = (std::fabs(w(i + 1, j, 0)) - std::fabs(w(i - 1, j, 0))) / (2 * hx);
        double gy = (std::fabs(w(i, j + 1, 0)) - std::fabs(w(i, j - 1, 0))) / (2 * hy);
        const double length = std::sqrt(gx * gx + gy * gy);
        if (length >= GRADIENT_EPSILON) gx /= length, gy /= length;
        out(i, j, 0) = gx;
        out(i, j, 1) = gy;
    });
    return out;
}

Texels addSources(const Texels& fields, const Texels& sources, const Texels& curls, const Texels& grads, float dt) {
    Texels out(fields.resI, fields.resJ);
    forEachInterior(fields, [&](uint32_t i, uint32_t j) {
        // Finer than 201 cells across, the force shrinks with the finer cell side.
        const double finest = std::max(fields.resI, fields.resJ);
        const double strength = VORTICITY_STRENGTH * std::min(1.0, 201.0 / finest) * curls(i, j, 0);
        const double force[4] = {grads(i, j, 1) * strength, BUOYANCY * fields(i, j, 3) - grads(i, j, 0) * strength, 0,
                                 0};
        for (int c = 0; c < 4; ++c) out(i, j, c) = fields(i, j, c) + sources(i, j, c) + dt * force[c];
    });
    return out;
}

Texels diffuse(const Texels& fields, float dt, int iterations, Solver solver) {
    const double a = dt * DIFFUSION_RATE;
    return relax(fields, iterations, solver, [&](const Texels& x, uint32_t i, uint32_t j, int c) {
        return (fields(i, j, c) + a * sumOfNeighbours(x, i, j, c)) / (1 + 4 * a);
    });
}

Texels heights(const Texels& v, int iterations, Solver solver) {
    const double hx = 1.0 / v.resI, hy = 1.0 / v.resJ;
    return relax(v, iterations, solver, [&](const Texels& x, uint32_t i, uint32_t j, int c) {
        if (c != 0) return 0.0;
        const double divergence =
            -((v(i + 1, j, 0) - v(i - 1, j, 0)) / (2 * hx) + (v(i, j + 1, 1) - v(i, j - 1, 1)) / (2 * hy));
        const double westEast = x(i - 1, j, 0) + x(i + 1, j, 0), southNorth = x(i, j - 1, 0) + x(i, j + 1, 0);
        return (hy * hy * westEast + hx * hx * southNorth + hx * hx * hy * hy * divergence) / (2 * (hx * hx + hy * hy));
    });
}

Texels correct(const Texels& fields, const Texels& h) {
    Texels out(fields.resI, fields.resJ);
    const double hx = 1.0 / fields.resI, hy = 1.0 / fields.resJ;
    forEachInterior(fields, [&](uint32_t i, uint32_t j) {
        out(i, j, 0) = fields(i, j, 0) - (h(i + 1, j, 0) - h(i - 1, j, 0)) / (2 * hx);
        out(i, j, 1) = fields(i, j, 1) - (h(i, j + 1, 0) - h(i, j - 1, 0)) / (2 * hy);
        out(i, j, 2) = fields(i, j, 2);
        out(i, j, 3) = fields(i, j, 3);
    });
    return out;
}

Texels advect(const Texels& fields, const Texels& carrier, float dt) {
    Texels out(fields.resI, fields.resJ);
    const double resI = fields.resI, resJ = fields.resJ;
    forEachInterior(fields, [&](uint32_t i, uint32_t j) {
        const double x = std::clamp((i - 0.5) / resI - carrier(i, j, 0) * dt, 0.0, 1.0);
        const double y = std::clamp((j - 0.5) / resJ - carrier(i, j, 1) * dt, 0.0, 1.0);
        const double gx = x * resI + 0.5, gy = y * resJ + 0.5;
        const uint32_t i0 = uint32_t(std::floor(gx)), j0 = uint32_t(std::floor(gy));
        const double fx = gx - i0, fy = gy - j0;
        for (int c = 0; c < 4; ++c) {
            const double bottom = fields(i0, j0, c) + (fields(i0 + 1, j0, c) - fields(i0, j0, c)) * fx;
            const double top = fields(i0, j0 + 1, c) + (fields(i0 + 1, j0 + 1, c) - fields(i0, j0 + 1, c)) * fx;
            out(i, j, c) = bottom + (top - bottom) * fy;
        }
    });
    return out;
}

}  // namespace

Texels fromFloats(uint32_t resI, uint32_t resJ, const std::vector<float>& floats) {
    Texels t(resI, resJ);
    std::copy(floats.begin(), floats.end(), t.values.begin());
    return t;
}

std::vector<float> toFloats(const Texels& texels) { return {texels.values.begin(), texels.values.end()}; }

Texels modelStep(const Texels& fields, const Texels& sources, float dt, const StepOptions& options) {
    constexpr int ITERATIONS = 10;
    const Texels curls = curl(fields);
    Texels s = addSources(fields, sources, curls, normCurlGrad(curls), dt);
    if (options.diffuse) s = diffuse(s, dt, ITERATIONS, options.solver);
    if (options.project) s = correct(s, heights(s, ITERATIONS, options.solver));
    const Texels beforeAdvection = s;
    if (options.advect) s = advect(s, s, dt);
    if (options.project) s = correct(s, heights(s, ITERATIONS, options.solver));
    if (options.advect && options.carryDensityWithFinalVelocity) {
        const Texels carried = advect(beforeAdvection, s, dt);
        forEachInterior(s, [&](uint32_t i, uint32_t j) { s(i, j, 3) = carried(i, j, 3); });
    }
    return s;
}

double maxDifference(const Texels& a, const Texels& b, unsigned channels) {
    double largest = 0;
    for (size_t k = 0; k < a.values.size(); ++k)
        if (channels & (1u << (k % 4))) largest = std::max(largest, std::fabs(a.values[k] - b.values[k]));
    return largest;
}

double maxMagnitude(const Texels& a, unsigned channels) { return maxDifference(a, Texels(a.resI, a.resJ), channels); }
