#pragma once
// Putting chosen fields into a solver through its public interface.

#include "sim/FluidSim2D.h"

inline void setFlags(FluidSim2D& sim, bool diffuse, bool advect, bool project) {
    sim.diffuseEnabled = diffuse;
    sim.advectEnabled = advect;
    sim.projectEnabled = project;
}

// Adds velocity(i, j) and density(i, j) to every interior cell in one source-only step
// (every stage off, no time), then switches every stage back on.
template <class Velocity, class Density>
void setFields(FluidSim2D& sim, Velocity velocity, Density density) {
    setFlags(sim, false, false, false);
    for (uint32_t i = 1; i <= sim.resI; ++i)
        for (uint32_t j = 1; j <= sim.resJ; ++j) {
            const Vec2 v = velocity(i, j);
            sim.addVelocity(i, j, v.x, v.y);
            sim.addDensity(i, j, density(i, j));
        }
    sim.applyVorticity(0.0);
    sim.step(0.0);
    sim.clearSources();
    setFlags(sim, true, true, true);
}
