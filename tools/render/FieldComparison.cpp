#include "tools/render/FieldComparison.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// Sums of squares over the interior: of a, of b and of their difference.
struct SquareSums {
    double a = 0.0;
    double b = 0.0;
    double difference = 0.0;

    void add(double x, double y) {
        a += x * x;
        b += y * y;
        difference += (x - y) * (x - y);
    }

    // A field gone to NaN or infinity is never reported as close to anything.
    double relative() const {
        if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(difference))
            return std::numeric_limits<double>::quiet_NaN();
        const double scale = std::sqrt(std::max(a, b));
        return scale > 0.0 ? std::sqrt(difference) / scale : 0.0;
    }
};

}  // namespace

FieldDifference relativeDifference(FluidSim2D& a, FluidSim2D& b) {
    if (a.resI != b.resI || a.resJ != b.resJ) throw std::invalid_argument("the two grids differ in size");
    SquareSums density;
    SquareSums velocity;
    for (uint32_t i = 1; i <= a.resI; ++i) {
        for (uint32_t j = 1; j <= a.resJ; ++j) {
            density.add(a.getDensity(i, j), b.getDensity(i, j));
            const Vec2 u = a.getVelocity(i, j);
            const Vec2 v = b.getVelocity(i, j);
            velocity.add(u.x, v.x);
            velocity.add(u.y, v.y);
        }
    }
    return {density.relative(), velocity.relative()};
}

bool fieldsAreFinite(FluidSim2D& sim) {
    for (uint32_t j = 1; j <= sim.resJ; ++j) {
        for (uint32_t i = 1; i <= sim.resI; ++i) {
            const Vec2 v = sim.getVelocity(i, j);
            if (!std::isfinite(sim.getDensity(i, j)) || !std::isfinite(v.x) || !std::isfinite(v.y)) return false;
        }
    }
    return true;
}
