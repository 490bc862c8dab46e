#include "sim/MultigridPlan.h"

#include <cstddef>

namespace {

// An axis is halved only while its cells are not already much longer than the
// other axis's: the equation of very elongated cells couples mostly along their
// short side, where red-black sweeps cannot smooth it, and halving that side first
// makes the cells square again.
constexpr double HALVING_ASPECT = 1.4142135623730951;

// One axis of a level: its nodes, their spacing, and the wall's distance from the
// last node in spacings (1 on the grid itself: the border cell is the wall).
struct Axis {
    uint32_t nodes;
    double spacing;
    double wall;
    bool halved;

    bool canHalve() const { return nodes >= 2; }
    // Every second node; when the finer level has an odd count, its last node lies
    // between the coarser level's last node and the wall.
    Axis halve() const { return {nodes / 2, 2.0 * spacing, (nodes % 2 == 1 ? 1.0 + wall : wall) / 2.0, true}; }
    Axis keep() const { return {nodes, spacing, wall, false}; }
    // The border node stands for this times the last node: the line through them
    // reaches zero at the wall.
    double ghost() const { return 1.0 - 1.0 / wall; }
};

struct Shape {
    Axis i;
    Axis j;
};

std::vector<Shape> shapesFor(uint32_t resI, uint32_t resJ, double hx, double hy) {
    std::vector<Shape> shapes{{{resI, hx, 1.0, false}, {resJ, hy, 1.0, false}}};
    for (;;) {
        const Shape& s = shapes.back();
        if (s.i.nodes <= 2 && s.j.nodes <= 2) break;
        const bool halveI = s.i.canHalve() && (!s.j.canHalve() || s.i.spacing <= s.j.spacing * HALVING_ASPECT);
        const bool halveJ = s.j.canHalve() && (!s.i.canHalve() || s.j.spacing <= s.i.spacing * HALVING_ASPECT);
        shapes.push_back({halveI ? s.i.halve() : s.i.keep(), halveJ ? s.j.halve() : s.j.keep()});
    }
    return shapes;
}

// The scale of the normalised equation's right-hand side: hx² hy² / 2 (hx² + hy²).
double rhsUnit(const Shape& s) {
    const double x2 = s.i.spacing * s.i.spacing, y2 = s.j.spacing * s.j.spacing;
    return x2 * y2 / (2.0 * (x2 + y2));
}

MultigridShape levelOf(const Shape& s, const Shape* finer) {
    const double x2 = s.i.spacing * s.i.spacing, y2 = s.j.spacing * s.j.spacing, sum = 2.0 * (x2 + y2);
    const double westEast = y2 / sum, southNorth = x2 / sum;
    const double ghostI = s.i.ghost(), ghostJ = s.j.ghost();
    MultigridShape level{};
    level.resI = s.i.nodes;
    level.resJ = s.j.nodes;
    level.halvedI = s.i.halved;
    level.halvedJ = s.j.halved;
    level.westEast = float(westEast);
    level.southNorth = float(southNorth);
    const double columnWeight = 1.0 - westEast * ghostI, rowWeight = 1.0 - southNorth * ghostJ;
    const double cellWeight = 1.0 - westEast * ghostI - southNorth * ghostJ;
    level.lastColumnScale = float(1.0 / columnWeight);
    level.lastRowScale = float(1.0 / rowWeight);
    level.lastCellScale = float(1.0 / cellWeight);
    level.lastColumnWeight = float(columnWeight);
    level.lastRowWeight = float(rowWeight);
    level.lastCellWeight = float(cellWeight);
    level.ghostI = float(ghostI);
    level.ghostJ = float(ghostJ);
    // The finer level's last node, when odd, interpolates from this level's last node
    // and its ghost: (1 + ghost) / 2 of the last node, so the restriction, its
    // transpose, gives it that weight instead of 1/2.
    level.foldI = finer && s.i.halved && finer->i.nodes % 2 == 1 ? float(1.0 + ghostI) : 1.0f;
    level.foldJ = finer && s.j.halved && finer->j.nodes % 2 == 1 ? float(1.0 + ghostJ) : 1.0f;
    level.rhsScale = finer ? float(rhsUnit(s) / rhsUnit(*finer)) : 1.0f;
    return level;
}

}  // namespace

std::vector<MultigridShape> planMultigrid(uint32_t resI, uint32_t resJ, float hx, float hy) {
    const std::vector<Shape> shapes = shapesFor(resI, resJ, hx, hy);
    std::vector<MultigridShape> levels;
    for (size_t l = 0; l < shapes.size(); ++l) levels.push_back(levelOf(shapes[l], l ? &shapes[l - 1] : nullptr));
    return levels;
}
