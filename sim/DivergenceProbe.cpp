#include "sim/DivergenceProbe.h"

#include <cmath>

void loadProbeVelocity(FluidSim2D& sim) {
    const bool stages[3] = {sim.diffuseEnabled, sim.advectEnabled, sim.projectEnabled};
    sim.reset();
    const Rect& w = sim.worldRect;
    const double cx = w.x + 0.5 * w.width, cy = w.y + 0.5 * w.height, w2 = PROBE_WIDTH * PROBE_WIDTH;
    for (uint32_t j = 1; j <= sim.resJ; ++j)
        for (uint32_t i = 1; i <= sim.resI; ++i) {
            const Vec2 p = sim.cellToWorld(i, j);
            const double x = p.x - cx, y = p.y - cy, g = std::exp(-(x * x + y * y) / w2);
            sim.addVelocity(i, j, float(-2.0 * x / w2 * g), float(-2.0 * y / w2 * g));
        }
    sim.diffuseEnabled = sim.advectEnabled = sim.projectEnabled = false;
    // The shader solver takes its sources in with the body forces, which add nothing in no time.
    sim.applyVorticity(0.0);
    sim.step(0.0);
    sim.clearSources();
    sim.diffuseEnabled = stages[0];
    sim.advectEnabled = stages[1];
    sim.projectEnabled = stages[2];
}

double divergenceRms(const FluidSim2D& sim, const std::function<Vec2(uint32_t i, uint32_t j)>& velocity) {
    const double hx = double(sim.worldRect.width) / sim.resI, hy = double(sim.worldRect.height) / sim.resJ;
    double sum = 0.0;
    for (uint32_t j = 1; j <= sim.resJ; ++j)
        for (uint32_t i = 1; i <= sim.resI; ++i) {
            const double d = (double(velocity(i + 1, j).x) - velocity(i - 1, j).x) / (2.0 * hx) +
                             (double(velocity(i, j + 1).y) - velocity(i, j - 1).y) / (2.0 * hy);
            sum += d * d;
        }
    return std::sqrt(sum / (double(sim.resI) * sim.resJ));
}
