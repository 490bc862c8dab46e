#pragma once
// A second, deliberately plain software solver in double precision, to cross-check
// the product's: a difference beyond float rounding points at a fault on one side.
// Its own are the user's input (splats and strokes); the step is the reference model's.

#include "tests/support/ReferenceModel.h"

namespace independent {

class Solver {
public:
    Solver(unsigned resI, unsigned resJ);

    // Adds up to `amount` of density in a soft disc around cell (i, j).
    void splatDensity(double amount, unsigned i, unsigned j);
    // Adds velocity of up to `strength` along the stroke, in a soft band around it.
    void dragVelocity(double strength, double fromX, double fromY, double toX, double toY);
    // Vorticity confinement and buoyancy, then the step, as applyVorticity and step do.
    void step(double dt);
    void clearSources();
    void reset();

    // To start from another solver's state and compare one step at a time.
    void setDensity(unsigned i, unsigned j, double value) { mFields(i, j, 3) = value; }
    void setVelocity(unsigned i, unsigned j, double x, double y) {
        mFields(i, j, 0) = x;
        mFields(i, j, 1) = y;
    }

    double density(unsigned i, unsigned j) const { return mFields(i, j, 3); }
    double velocityX(unsigned i, unsigned j) const { return mFields(i, j, 0); }
    double velocityY(unsigned i, unsigned j) const { return mFields(i, j, 1); }

    bool diffuseEnabled = true, advectEnabled = true, projectEnabled = true;

private:
    struct Point {
        double x, y;
    };

    Point cellCentre(long i, long j) const;
    Point toGrid(Point world) const;
    static Point clampToWorld(Point p);
    static double falloff(double t, double core);

    unsigned mResI, mResJ;
    Texels mFields, mSources;
};

}  // namespace independent
