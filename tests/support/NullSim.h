#pragma once
// A simulation without fields: every operation does nothing, so that a test
// overrides only the calls it watches.

#include "sim/FluidSim2D.h"

class NullSim : public FluidSim2D {
public:
    using FluidSim2D::FluidSim2D;
    void draw(int32_t) override {}
    Vec2 getVelocity(uint32_t, uint32_t) override { return {0, 0}; }
    float getDensity(uint32_t, uint32_t) override { return 0; }
    uint32_t index(uint32_t i, uint32_t j) override { return cellNumber(i, j, resI); }
    void addDensity(uint32_t, uint32_t, float) override {}
    void addVelocity(uint32_t, uint32_t, float, float) override {}
    void reset() override {}
    void applyVorticity(double) override {}
    void step(double) override {}
    void clearSources() override {}
};
