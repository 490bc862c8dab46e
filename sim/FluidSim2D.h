#pragma once
// The abstract simulation that the application shell talks to. Both solvers
// (software and shader) implement it; the shell never sees which one it has.

#include <cstdint>

#include "sim/Geometry.h"
#include "sim/Solids.h"

namespace Qel {

class Drawable {
public:
    virtual void draw(int32_t arg) = 0;
    virtual ~Drawable() = default;
};

}  // namespace Qel

constexpr float STROKE_RADIUS = 0.2f;
constexpr float STROKE_CORE = 0.1f;

// What a stirring stroke reaches: the box of cells around it, and what it adds to
// each of them (strokeIncrement). A stroke that stirs nothing has `stirs` false.
struct StrokeFootprint {
    CellCoord lo;
    CellCoord hi;
    Vec2 from;
    Vec2 to;
    Vec2 d;  // to − from
    float len;
    Vec2 direction;
    float strength;
    bool stirs;
};

// The velocity that a stroke adds to the cell whose centre is at `centre`.
Vec2 strokeIncrement(const StrokeFootprint& stroke, Vec2 centre);

class FluidSim2D : public Qel::Drawable {
public:
    FluidSim2D(uint32_t resI, uint32_t resJ);
    FluidSim2D(const FluidSim2D&) = delete;
    FluidSim2D& operator=(const FluidSim2D&) = delete;
    ~FluidSim2D() override = default;

    // The order of these virtual operations is part of the interface.
    virtual void splatDensity(float amount, uint32_t i, uint32_t j);
    virtual void dragVelocity(float strength, const Vec2& from, const Vec2& to);
    virtual Vec2 getVelocity(uint32_t i, uint32_t j) = 0;
    virtual float getDensity(uint32_t i, uint32_t j) = 0;
    virtual uint32_t index(uint32_t i, uint32_t j) = 0;
    virtual void addDensity(uint32_t i, uint32_t j, float amount) = 0;
    virtual void addVelocity(uint32_t i, uint32_t j, float du, float dv) = 0;
    virtual void reset() = 0;
    // dt, in seconds, from 0 to MAX_STEP_SECONDS (sim/Limits.h; isValidStepLength).
    // Beyond it the solvers' single-precision products of dt overflow and wipe the
    // fields; NaN or infinity make every field NaN, and a negative dt runs diffusion
    // backwards (at -0.05 s the fields pass 1e30 within four steps). Neither solver
    // checks.
    virtual void applyVorticity(double dt) = 0;
    // dt as for applyVorticity.
    virtual void step(double dt) = 0;
    virtual void clearSources() = 0;
    // Makes these cells (of this grid) solid from now on, in place of any before,
    // and empties them; meant for before the first step. A solver overrides it to
    // prepare its kernels, and calls this.
    virtual void setSolids(const SolidCells& solids) { mSolids = solids; }
    const SolidCells& solids() const { return mSolids; }

    Vec2 cellToWorld(uint32_t i, uint32_t j) const;
    CellCoord worldToCell(Vec2 p) const;
    CellCoord worldToCellFloor(Vec2 p) const;
    StrokeFootprint strokeFootprint(float strength, const Vec2& from, const Vec2& to) const;

    int32_t stepCount = 4;
    uint32_t resI;
    uint32_t resJ;
    Rect gridRect;
    Rect worldRect;
    bool diffuseEnabled = true;
    bool advectEnabled = true;
    bool projectEnabled = true;

protected:
    SolidCells mSolids;
};

// The solid cells of `grid` that the shapes cover: those whose centres lie inside.
SolidCells solidCellsOf(const FluidSim2D& grid, const std::vector<SolidShape>& shapes);

// Per-step console diagnostics are printed only while stepCount is below this.
constexpr int32_t STEP_LOG_LIMIT = 4;
