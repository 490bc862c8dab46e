#pragma once
// Solid obstacles: interior cells that behave like the border ring. Velocity and
// density are held at zero in them, and every stencil reads those zeros, so smoke
// never enters a solid and the fluid goes around it.

#include <cstdint>
#include <vector>

#include "sim/Geometry.h"

// A shape in world coordinates; the cells whose centres lie inside it are solid.
struct SolidShape {
    enum class Kind { Circle, Box };
    Kind kind = Kind::Circle;
    Vec2 centre{0, 0};  // circle
    float radius = 0;
    Vec2 lower{0, 0};  // box
    Vec2 upper{0, 0};

    static SolidShape circle(Vec2 centre, float radius);
    // The corners in any order.
    static SolidShape box(Vec2 a, Vec2 b);
    bool contains(Vec2 p) const;
};

// Which cells of a grid are solid, by cell number; border cells never are.
class SolidCells {
public:
    // No solid cell on a grid of any size.
    SolidCells() = default;
    // The interior cells whose centres (centreOf(i, j)) lie inside any of the shapes.
    template <class CentreOf>
    SolidCells(uint32_t resI, uint32_t resJ, const std::vector<SolidShape>& shapes, CentreOf centreOf);

    bool any() const { return mCount > 0; }
    uint32_t resI() const { return mResI; }
    uint32_t resJ() const { return mResJ; }
    uint64_t count() const { return mCount; }
    // Only for a grid of the size the cells were made for.
    bool operator()(uint32_t i, uint32_t j) const { return mCount > 0 && mSolid[cellNumber(i, j, mResI)] != 0; }
    // Each interior row's runs of solid cells, as first and last column (inclusive).
    struct Run {
        uint32_t j, firstI, lastI;
    };
    std::vector<Run> runs() const;

private:
    uint32_t mResI = 0;
    uint32_t mResJ = 0;
    uint64_t mCount = 0;
    std::vector<uint8_t> mSolid;
};

template <class CentreOf>
SolidCells::SolidCells(uint32_t resI, uint32_t resJ, const std::vector<SolidShape>& shapes, CentreOf centreOf)
    : mResI(resI), mResJ(resJ) {
    if (shapes.empty()) return;
    mSolid.assign((uint64_t(resI) + 2) * (uint64_t(resJ) + 2), 0);
    for (uint32_t j = 1; j <= resJ; ++j)
        for (uint32_t i = 1; i <= resI; ++i) {
            const Vec2 centre = centreOf(i, j);
            for (const SolidShape& shape : shapes)
                if (shape.contains(centre)) {
                    mSolid[cellNumber(i, j, resI)] = 1;
                    ++mCount;
                    break;
                }
        }
}
