#pragma once
// A second, deliberately plain software solver in double precision, to cross-check
// the product's: a difference beyond float rounding points at a fault on one side.

#include <cstddef>
#include <vector>

namespace independent {

class Solver {
public:
    Solver(unsigned resI, unsigned resJ);

    // Adds up to `amount` of density in a soft disc around cell (i, j).
    void splatDensity(double amount, unsigned i, unsigned j);
    // Adds velocity of up to `strength` along the stroke, in a soft band around it.
    void dragVelocity(double strength, double fromX, double fromY, double toX, double toY);
    // Adds vorticity confinement and buoyancy, times dt, to the velocity sources.
    void applyVorticity(double dt);
    void step(double dt);
    void clearSources();
    void reset();

    // To start from another solver's state and compare one step at a time.
    void setDensity(unsigned i, unsigned j, double value) { mDensity[cell(i, j)] = value; }
    void setVelocity(unsigned i, unsigned j, double x, double y) {
        mVelX[cell(i, j)] = x;
        mVelY[cell(i, j)] = y;
    }

    double density(unsigned i, unsigned j) const { return mDensity[cell(i, j)]; }
    double velocityX(unsigned i, unsigned j) const { return mVelX[cell(i, j)]; }
    double velocityY(unsigned i, unsigned j) const { return mVelY[cell(i, j)]; }

    bool diffuseEnabled = true, advectEnabled = true, projectEnabled = true;

private:
    using Array = std::vector<double>;

    struct Point {
        double x, y;
    };

    std::size_t cell(unsigned i, unsigned j) const {
        return std::size_t(i) + std::size_t(j) * (std::size_t(mResI) + 2);
    }
    // Interior cells, i in the outer loop: the order the Gauss-Seidel sweeps update in.
    template <class Visit>
    void forEachInterior(Visit visit) const {
        for (unsigned i = 1; i <= mResI; ++i)
            for (unsigned j = 1; j <= mResJ; ++j) visit(cell(i, j));
    }

    Point cellCentre(long i, long j) const;
    Point toGrid(Point world) const;
    static Point clampToWorld(Point p);
    static double falloff(double t, double core);

    void addSources(Array& out, const Array& in, const Array& src) const;
    void diffuse(Array& out, const Array& in, double dt) const;
    void project(Array& outX, Array& outY, const Array& inX, const Array& inY);
    void advect(Array& out, const Array& in, const Array& velX, const Array& velY, double dt) const;

    void velocityStep(double dt);
    void densityStep(double dt);

    unsigned mResI, mResJ;
    std::size_t mCount;
    Array mVelX, mVelY, mDensity, mVelSrcX, mVelSrcY, mDensitySrc;
};

}  // namespace independent
