#pragma once
// The converged projection: the height equation solved by the V-cycles of
// sim/MultigridCycles.h over the multigrid hierarchy (cpu/MultigridLevel.h), here with
// passes shared by a crew, a vector of cells at a time. The smoother is red-black Gauss-Seidel, whose cells of one
// colour depend on none of each other, so any split of the rows among a crew and any lane width give the same values.
// Level 0 is kept split by colour (Board); the coarser levels stay in storage order, where a colour's pass computes
// whole vectors and keeps the other colour's lanes. The largest residual decides when to stop, and a maximum does not
// depend on the order it is taken in, so every member, lane width and thread count runs
// the same cycles. docs/design.md tells the rest.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <cstdint>
#include <cstring>

#include "cpu/MultigridLevel.h"
#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Projection.h"
#include "cpu/kernels/Runs.h"

namespace {

// Lane k of a vector loaded here is set for k even, from one past it for k odd.
constexpr float ALTERNATE_LANES[17] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};

inline GridSize gridOf(const MultigridLevel& v) { return {v.resI, v.resJ}; }

// Cells relaxed into a buffer before any is stored: a vector stored among the
// cells would be read back at once, one cell overlapping, as the next vector's
// west neighbours, and such a load waits for the store to complete (the sweep took
// about ten times as long). Also the chunk in which level 0's divergence is split
// by colour.
constexpr uint32_t RELAXED_CHUNK = 256;

// Square cells on level 0: the height equation scaled by h², in its own rounding.
// Beside solids, the same sum times the cell's own factor (cpu/HeightFactors.h).
struct SquareCells {
    template <class L>
    typename L::F operator()(L, typename L::F west, typename L::F east, typename L::F south, typename L::F north,
                             typename L::F f) const {
        return ((((west + east) + south) + north) + f) * L::set1(0.25f);
    }
    template <class L>
    typename L::F operator()(L, typename L::F west, typename L::F east, typename L::F south, typename L::F north,
                             typename L::F f, typename L::F factor) const {
        return ((((west + east) + south) + north) + f) * factor;
    }
};

// Every other level, and level 0 with cells that are not square.
struct WeightedCells {
    float westEast;
    float southNorth;

    template <class L>
    typename L::F operator()(L, typename L::F west, typename L::F east, typename L::F south, typename L::F north,
                             typename L::F f) const {
        return (L::set1(westEast) * (west + east) + L::set1(southNorth) * (south + north)) + f;
    }
    template <class L>
    typename L::F operator()(L lanes, typename L::F west, typename L::F east, typename L::F south, typename L::F north,
                             typename L::F f, typename L::F factor) const {
        return (*this)(lanes, west, east, south, north, f) * factor;
    }
};

// The largest magnitude seen, NaN never counting as larger.
template <class Lanes>
struct Largest {
    typename Lanes::F lanes = Lanes::set1(0.0f);
    float one = 0.0f;

    void add(Lanes, typename Lanes::F value) {
        const typename Lanes::F size = Lanes::abs(value);
        lanes = Lanes::select(Lanes::greaterThan(size, lanes), size, lanes);
    }
    void add(ScalarLanes, float value) {
        const float size = __builtin_fabsf(value);
        if (size > one) one = size;
    }
    float value() const {
        float all[Lanes::N];
        Lanes::store(all, lanes);
        float largest = one;
        for (float size : all)
            if (size > largest) largest = size;
        return largest;
    }
};

// The correction of a coarser level starts from zero: some rows of it, and the
// border rows with the first and the last of them.
inline void clearRows(const MultigridLevel& v, Share rows) {
    const GridSize grid = gridOf(v);
    const size_t width = rowWidth(grid);
    if (rows.begin >= rows.end) return;
    const uint32_t from = rows.begin == 1 ? 0 : rows.begin, to = rows.end == v.resJ + 1 ? v.resJ + 2 : rows.end;
    std::memset(v.x + cellAt(grid, 0, from), 0, (to - from) * width * sizeof(float));
}

// A row of a level: its cells, and the scale and residual weight of its cells
// (the last one's apart), 1 except at the far walls of the coarser levels.
struct LevelRow {
    float* x;
    float* f;
    float* r;
    size_t width;
    float scale, lastScale;
    float weight, lastWeight;
    bool top;

    LevelRow(const MultigridLevel& v, uint32_t j)
        : x(v.x + cellAt(gridOf(v), 0, j)),
          f(v.f + cellAt(gridOf(v), 0, j)),
          r(v.r + cellAt(gridOf(v), 0, j)),
          width(rowWidth(gridOf(v))),
          scale(j == v.resJ ? v.lastRowScale : 1.0f),
          lastScale(j == v.resJ ? v.lastCellScale : v.lastColumnScale),
          weight(j == v.resJ ? v.lastRowWeight : 1.0f),
          lastWeight(j == v.resJ ? v.lastCellWeight : v.lastColumnWeight),
          top(j == v.resJ) {}

    template <class L, class Update>
    typename L::F relaxed(L lanes, uint32_t i, const Update& update) const {
        return update(lanes, L::load(x + i - 1), L::load(x + i + 1), L::load(x + i - width), L::load(x + i + width),
                      L::load(f + i));
    }
};

// One colour of a red-black sweep over some rows: the cells with (i + j) % 2 ==
// colour take their relaxed values. With `scaled`, a coarser level's walls scale
// its last column and row. Where neighbouring members read a row meanwhile (the
// first and last of a shared part), only this colour's cells are written.
template <class Lanes, class Update>
void relaxColour(const MultigridLevel& v, bool scaled, uint32_t colour, Share rows, bool shared, const Update& update) {
    using F = typename Lanes::F;
    const typename Lanes::M evenLanes = Lanes::greaterThan(Lanes::load(ALTERNATE_LANES), Lanes::set1(0.5f));
    const typename Lanes::M oddLanes = Lanes::greaterThan(Lanes::load(ALTERNATE_LANES + 1), Lanes::set1(0.5f));
    alignas(64) float relaxed[RELAXED_CHUNK];
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const LevelRow row(v, j);
        uint32_t i = 1;
        if (!shared || (j != rows.begin && j + 1 != rows.end)) {
            const F scale = Lanes::set1(row.scale);
            // Cells 1 .. resI − 1 in whole vectors, chunk by chunk; the last cell apart.
            const uint32_t vectors = (v.resI - 1) / Lanes::N;
            for (uint32_t done = 0; done < vectors;) {
                const uint32_t chunk =
                    vectors - done < RELAXED_CHUNK / Lanes::N ? vectors - done : RELAXED_CHUNK / Lanes::N;
                for (uint32_t k = 0; k < chunk; ++k) {
                    F value = row.relaxed(Lanes{}, i + k * Lanes::N, update);
                    if (scaled && row.top) value = value * scale;
                    Lanes::store(relaxed + k * Lanes::N, value);
                }
                const typename Lanes::M mine = (colour + i + j) % 2 == 0 ? evenLanes : oddLanes;
                for (uint32_t k = 0; k < chunk; ++k, i += Lanes::N)
                    Lanes::store(row.x + i,
                                 Lanes::select(mine, Lanes::load(relaxed + k * Lanes::N), Lanes::load(row.x + i)));
                done += chunk;
            }
        }
        for (i += (i + j + colour) % 2; i <= v.resI; i += 2) {
            float value = row.relaxed(ScalarLanes{}, i, update);
            if (scaled) value *= i == v.resI ? row.lastScale : row.scale;
            row.x[i] = value;
        }
    }
}

// The residual of some rows into v.r, its largest magnitude into `largest`; then,
// for the restriction to `coarser` (if any), the last column's and row's weights.
template <class Lanes, class Update>
void storeResidual(const MultigridLevel& v, bool scaled, Share rows, const MultigridLevel* coarser,
                   const Update& update, Largest<Lanes>& largestSoFar) {
    using F = typename Lanes::F;
    // Kept here rather than in largestSoFar, which the compiler would keep in memory,
    // each vector then waiting for the last one's store.
    Largest<Lanes> largest = largestSoFar;
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const LevelRow row(v, j);
        const F scale = Lanes::set1(row.scale), weight = Lanes::set1(row.weight);
        uint32_t i = 1;
        for (; i + Lanes::N <= v.resI; i += Lanes::N) {
            F value = row.relaxed(Lanes{}, i, update);
            if (scaled && row.top) value = value * scale;
            F residual = value - Lanes::load(row.x + i);
            if (scaled && row.top) residual = residual * weight;
            Lanes::store(row.r + i, residual);
            largest.add(Lanes{}, residual);
        }
        for (; i <= v.resI; ++i) {
            float value = row.relaxed(ScalarLanes{}, i, update);
            if (scaled) value *= i == v.resI ? row.lastScale : row.scale;
            float residual = value - row.x[i];
            if (scaled) residual *= i == v.resI ? row.lastWeight : row.weight;
            row.r[i] = residual;
            largest.add(ScalarLanes{}, residual);
        }
        if (!coarser) continue;
        row.r[v.resI] *= coarser->foldI;
        if (row.top)
            for (i = 1; i <= v.resI; ++i) row.r[i] *= coarser->foldJ;
    }
    largestSoFar = largest;
}

// Row cj of a coarser level's right-hand side from across(lanes, ci, j), the finer
// level's residual at the cells of row j about coarse column ci (N of them at a
// time), full-weighted across the rows where they were halved; the rows past the
// finer level's last are its border, zero.
template <class Lanes, class Across>
void restrictRow(const MultigridLevel& coarse, uint32_t fineRows, uint32_t cj, const Across& across) {
    auto row = [&](auto lanes, uint32_t ci, uint32_t j) {
        using L = decltype(lanes);
        return j > fineRows ? L::set1(0.0f) : across(lanes, ci, j);
    };
    auto restrictRun = [&](auto lanes, uint32_t ci, uint32_t) {
        using L = decltype(lanes);
        const typename L::F r = coarse.halvedJ
                                    ? (row(lanes, ci, 2 * cj - 1) + row(lanes, ci, 2 * cj + 1)) * L::set1(0.25f) +
                                          row(lanes, ci, 2 * cj) * L::set1(0.5f)
                                    : row(lanes, ci, cj);
        L::store(coarse.f + cellAt(gridOf(coarse), ci, cj), r * L::set1(coarse.rhsScale));
    };
    forEachRunInRow<Lanes>(coarse.resI, cj, restrictRun);
}

// ---- level 0, split by colour -------------------------------------------------------

// Level 0's cells split by colour, so that a colour's pass reads and writes only the
// cells it needs, a whole vector of them at a time: colour c holds the cells with
// (i + j) % 2 == c, row by row, cell (i, j) at position i / 2 of its row. In row j
// the cells of colour c have i = 2p + o with o = (j + c) % 2; their west and east
// neighbours are positions p − 1 + o and p + o of the other colour's row j, their
// south and north ones position p of its rows j ± 1.
struct Board {
    uint32_t resI;
    uint32_t resJ;
    size_t width;  // positions per row of one colour
    size_t colourFloats;

    explicit Board(GridSize grid)
        : resI(grid.resI),
          resJ(grid.resJ),
          width(grid.resI / 2 + 2),
          colourFloats((size_t(grid.resJ) + 2) * (grid.resI / 2 + 2) + 16) {}

    float* row(float* cells, uint32_t colour, uint32_t j) const { return cells + colour * colourFloats + j * width; }
    const float* row(const float* cells, uint32_t colour, uint32_t j) const {
        return cells + colour * colourFloats + j * width;
    }
    uint32_t offset(uint32_t colour, uint32_t j) const { return (j + colour) % 2; }
    // The positions of the interior cells of colour c in row j.
    uint32_t first(uint32_t colour, uint32_t j) const { return offset(colour, j) ? 0 : 1; }
    uint32_t last(uint32_t colour, uint32_t j) const { return (resI - offset(colour, j)) / 2; }
};

// One colour's cells of row j and the other colour's around them, so that position
// p of each pointer is that cell's own (f, x, factor) or west, east, south, north
// neighbour. With Solid, each cell's own factor (cpu/HeightFactors.h) from the board
// `factors`.
template <bool Solid>
struct BoardRow {
    const float* west;
    const float* east;
    const float* south;
    const float* north;
    const float* f;
    const float* factor;
    uint32_t first;
    uint32_t last;

    BoardRow(const Board& b, const float* x, const float* fixed, const float* factors, uint32_t colour, uint32_t j)
        : west(b.row(x, 1 - colour, j) + b.offset(colour, j) - 1),
          east(b.row(x, 1 - colour, j) + b.offset(colour, j)),
          south(b.row(x, 1 - colour, j - 1)),
          north(b.row(x, 1 - colour, j + 1)),
          f(b.row(fixed, colour, j)),
          factor(Solid ? b.row(factors, colour, j) : nullptr),
          first(b.first(colour, j)),
          last(b.last(colour, j)) {}

    template <class L, class Update>
    typename L::F relaxed(L lanes, uint32_t p, const Update& update) const {
        if constexpr (Solid)
            return update(lanes, L::load(west + p), L::load(east + p), L::load(south + p), L::load(north + p),
                          L::load(f + p), L::load(factor + p));
        return update(lanes, L::load(west + p), L::load(east + p), L::load(south + p), L::load(north + p),
                      L::load(f + p));
    }
};

template <class Lanes, bool Solid, class Update>
void relaxBoard(const Board& b, float* x, const float* f, const float* factors, uint32_t colour, Share rows,
                const Update& update) {
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const BoardRow<Solid> row(b, x, f, factors, colour, j);
        float* cells = b.row(x, colour, j);
        uint32_t p = row.first;
        for (; p + Lanes::N <= row.last + 1; p += Lanes::N) Lanes::store(cells + p, row.relaxed(Lanes{}, p, update));
        for (; p <= row.last; ++p) cells[p] = row.relaxed(ScalarLanes{}, p, update);
    }
}

// For the restriction to `coarser`: the weights of row j's last column and, in the
// last row, of every cell.
inline void foldLastColumnAndRow(const Board& b, float* r, uint32_t j, const MultigridLevel& coarser) {
    b.row(r, (b.resI + j) % 2, j)[b.resI / 2] *= coarser.foldI;
    if (j == b.resJ)
        for (uint32_t colour = 0; colour < 2; ++colour)
            for (uint32_t p = b.first(colour, j); p <= b.last(colour, j); ++p) b.row(r, colour, j)[p] *= coarser.foldJ;
}

// The residual of some rows, both colours, into r (same order), its largest magnitude
// into `largestSoFar`; then, for the restriction to `coarser`, the last column's and
// row's weights.
template <class Lanes, bool Solid, class Update>
void boardResidual(const Board& b, const float* x, const float* f, const float* factors, float* r, Share rows,
                   const MultigridLevel* coarser, const Update& update, Largest<Lanes>& largestSoFar) {
    Largest<Lanes> largest = largestSoFar;  // in registers (see storeResidual)
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        for (uint32_t colour = 0; colour < 2; ++colour) {
            const BoardRow<Solid> row(b, x, f, factors, colour, j);
            const float* own = b.row(x, colour, j);
            float* residuals = b.row(r, colour, j);
            uint32_t p = row.first;
            for (; p + Lanes::N <= row.last + 1; p += Lanes::N) {
                const typename Lanes::F residual = row.relaxed(Lanes{}, p, update) - Lanes::load(own + p);
                Lanes::store(residuals + p, residual);
                largest.add(Lanes{}, residual);
            }
            for (; p <= row.last; ++p) {
                residuals[p] = row.relaxed(ScalarLanes{}, p, update) - own[p];
                largest.add(ScalarLanes{}, residuals[p]);
            }
        }
        if (coarser) foldLastColumnAndRow(b, r, j, *coarser);
    }
    largestSoFar = largest;
}

// Level 0's residual, full-weighted, as the right-hand side of some rows of level 1,
// whose correction starts from zero there. In row j the cells 2I − 1 and 2I + 1 are
// positions I − 1 and I of one colour, the cell 2I position I of the other.
template <class Lanes>
void restrictBoard(const Board& b, const float* r, const MultigridLevel& coarse, Share rows) {
    clearRows(coarse, rows);
    for (uint32_t cj = rows.begin; cj < rows.end; ++cj)
        restrictRow<Lanes>(coarse, b.resJ, cj, [&](auto lanes, uint32_t ci, uint32_t j) {
            using L = decltype(lanes);
            if (!coarse.halvedI) {
                float cells[L::N];
                for (int k = 0; k < L::N; ++k) cells[k] = b.row(r, (ci + k + j) % 2, j)[(ci + k) / 2];
                return L::load(cells);
            }
            const float* between = b.row(r, 1 - j % 2, j);
            return (L::load(between + ci - 1) + L::load(between + ci)) * L::set1(0.25f) +
                   L::load(b.row(r, j % 2, j) + ci) * L::set1(0.5f);
        });
}

// Adds level 1's correction, interpolated bilinearly, to some rows of level 0. The
// cells of one colour in a row lie all on columns of level 1 (o = 0) or all between
// two (o = 1). With Solid, the cells whose factor is zero (the solid ones) stay zero.
template <class Lanes, bool Solid>
void prolongToBoard(const Board& b, float* x, const float* factors, const MultigridLevel& coarse, Share rows,
                    bool ontoZero) {
    using F = typename Lanes::F;
    const GridSize coarseGrid = gridOf(coarse);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const uint32_t near = coarse.halvedJ ? j / 2 : j;
        const bool between = coarse.halvedJ && j % 2 == 1;
        const float* c0 = coarse.x + cellAt(coarseGrid, 0, near);
        const float* c1 = c0 + rowWidth(coarseGrid);
        for (uint32_t colour = 0; colour < 2; ++colour) {
            float* cells = b.row(x, colour, j);
            const uint32_t o = b.offset(colour, j), last = b.last(colour, j);
            // The interpolation along the row from one coarse row, for positions p ...
            auto across = [&](auto lanes, const float* c, uint32_t p) {
                using L = decltype(lanes);
                if (!coarse.halvedI) return L::evens(c + 2 * p + o);
                if (o == 0) return L::load(c + p);
                return (L::load(c + p) + L::load(c + p + 1)) * L::set1(0.5f);
            };
            auto correction = [&](auto lanes, uint32_t p) {
                using L = decltype(lanes);
                if (!between) return across(lanes, c0, p);
                return (across(lanes, c0, p) + across(lanes, c1, p)) * L::set1(0.5f);
            };
            // Onto the zero start, 0 + e without reading what the board held before.
            const F zero = Lanes::set1(0.0f);
            uint32_t p = b.first(colour, j);
            const float* factor = Solid ? b.row(factors, colour, j) : nullptr;
            for (; p + Lanes::N <= last + 1; p += Lanes::N) {
                const F e = correction(Lanes{}, p);
                F value = (ontoZero ? zero : Lanes::load(cells + p)) + e;
                if constexpr (Solid)
                    value = Lanes::select(Lanes::greaterThan(Lanes::load(factor + p), zero), value, zero);
                Lanes::store(cells + p, value);
            }
            for (; p <= last; ++p) {
                const float value = (ontoZero ? 0.0f : cells[p]) + correction(ScalarLanes{}, p);
                cells[p] = Solid && !(factor[p] > 0.0f) ? 0.0f : value;
            }
        }
    }
}

// Spreads the values of cells first .. first + count − 1 of row j (first odd) into the
// colours of the board.
template <class Lanes>
void spreadToBoard(const Board& b, float* board, uint32_t j, uint32_t first, uint32_t count, const float* cells) {
    float* odd = b.row(board, (1 + j) % 2, j);  // the colour of the odd columns
    float* even = b.row(board, j % 2, j);
    // Cells k even are odd columns, at position (first + k) / 2.
    uint32_t k = 0;
    for (; k + 2 * Lanes::N <= count; k += 2 * Lanes::N) {
        Lanes::store(odd + (first + k) / 2, Lanes::evens(cells + k));
        Lanes::store(even + (first + k) / 2 + 1, Lanes::odds(cells + k));
    }
    for (; k < count; ++k) ((first + k) % 2 ? odd : even)[(first + k) / 2] = cells[k];
}

// The divergence term of some rows of level 0 into f, and the residual of the zero
// start, the relaxed value from zero neighbours, into r (the largest into `largest`,
// the last column and row weighted for the restriction to `coarser`), all in the
// board's colours: the start's residual costs no pass of its own. With Solid, the
// cells' factors (in storage order) too, into the board `boardFactors`.
template <class Lanes, bool Solid, class Update>
void divergenceToBoard(const Board& b, const Divergence& divergence, float* f, float* r, const float* factors,
                       float* boardFactors, Share rows, const MultigridLevel* coarser, const Update& update,
                       Largest<Lanes>& largestSoFar) {
    const GridSize grid{b.resI, b.resJ};
    alignas(64) float divergences[RELAXED_CHUNK];
    alignas(64) float residuals[RELAXED_CHUNK];
    Largest<Lanes> largest = largestSoFar;  // in registers (see storeResidual)
    const typename Lanes::F zero = Lanes::set1(0.0f);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        for (uint32_t first = 1; first <= b.resI; first += RELAXED_CHUNK) {
            const uint32_t count = b.resI + 1 - first < RELAXED_CHUNK ? b.resI + 1 - first : RELAXED_CHUNK;
            uint32_t k = 0;
            for (; k + Lanes::N <= count; k += Lanes::N) {
                const typename Lanes::F div = divergence.template run<Lanes>(first + k, j);
                typename Lanes::F residual;
                if constexpr (Solid) {
                    residual =
                        update(Lanes{}, zero, zero, zero, zero, div, Lanes::load(factors + cellAt(grid, first + k, j)));
                } else {
                    residual = update(Lanes{}, zero, zero, zero, zero, div);
                }
                Lanes::store(divergences + k, div);
                Lanes::store(residuals + k, residual);
                largest.add(Lanes{}, residual);
            }
            for (; k < count; ++k) {
                divergences[k] = divergence.template run<ScalarLanes>(first + k, j);
                if constexpr (Solid) {
                    residuals[k] = update(ScalarLanes{}, 0.0f, 0.0f, 0.0f, 0.0f, divergences[k],
                                          factors[cellAt(grid, first + k, j)]);
                } else {
                    residuals[k] = update(ScalarLanes{}, 0.0f, 0.0f, 0.0f, 0.0f, divergences[k]);
                }
                largest.add(ScalarLanes{}, residuals[k]);
            }
            spreadToBoard<Lanes>(b, f, j, first, count, divergences);
            spreadToBoard<Lanes>(b, r, j, first, count, residuals);
            if constexpr (Solid)
                spreadToBoard<Lanes>(b, boardFactors, j, first, count, factors + cellAt(grid, first, j));
        }
        if (coarser) foldLastColumnAndRow(b, r, j, *coarser);
    }
    largestSoFar = largest;
}

// Level 0's heights back in storage order, some rows (border included).
template <class Lanes>
void boardToCells(const Board& b, const float* x, float* heights, Share rows) {
    const GridSize grid{b.resI, b.resJ};
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        float* cells = heights + cellAt(grid, 0, j);
        const float* even = b.row(x, j % 2, j);
        const float* odd = b.row(x, (j + 1) % 2, j);
        uint32_t p = 0;
        for (; 2 * (p + Lanes::N) <= b.resI + 2; p += Lanes::N)
            Lanes::storeInterleaved(cells + 2 * p, Lanes::load(even + p), Lanes::load(odd + p));
        for (uint32_t i = 2 * p; i <= b.resI + 1; ++i) cells[i] = (i % 2 ? odd : even)[i / 2];
    }
}

// ---- the coarser levels, in storage order ---------------------------------------------

// The finer level's residual, full-weighted, as the right-hand side of some rows of
// `coarse`, whose correction starts from zero there (border rows included).
template <class Lanes>
void restrictRows(const MultigridLevel& fine, const MultigridLevel& coarse, Share rows) {
    const GridSize fineGrid = gridOf(fine);
    clearRows(coarse, rows);
    for (uint32_t cj = rows.begin; cj < rows.end; ++cj)
        restrictRow<Lanes>(coarse, fine.resJ, cj, [&](auto lanes, uint32_t ci, uint32_t j) {
            using L = decltype(lanes);
            const float* r = fine.r + cellAt(fineGrid, 0, j);
            if (!coarse.halvedI) return L::load(r + ci);
            const float* p = r + 2 * ci - 1;
            return (L::evens(p) + L::evens(p + 2)) * L::set1(0.25f) + L::odds(p) * L::set1(0.5f);
        });
}

// Adds the coarser level's correction, interpolated bilinearly (its border holding
// the extrapolation to the walls), to some rows of v.
template <class Lanes>
void prolongRows(const MultigridLevel& v, const MultigridLevel& coarse, Share rows) {
    using F = typename Lanes::F;
    const GridSize grid = gridOf(v), coarseGrid = gridOf(coarse);
    const F half = Lanes::set1(0.5f);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        float* x = v.x + cellAt(grid, 0, j);
        // Row j lies on coarse row `near`, or between it and the next.
        const uint32_t near = coarse.halvedJ ? j / 2 : j;
        const bool between = coarse.halvedJ && j % 2 == 1;
        const float* c0 = coarse.x + cellAt(coarseGrid, 0, near);
        const float* c1 = c0 + rowWidth(coarseGrid);
        auto acrossOne = [&](const float* c, uint32_t i) {
            if (!coarse.halvedI) return c[i];
            return i % 2 == 0 ? c[i / 2] : (c[i / 2] + c[i / 2 + 1]) * 0.5f;
        };
        uint32_t i = 1;
        if (!coarse.halvedI) {
            for (; i + Lanes::N <= v.resI + 1; i += Lanes::N) {
                const F e = between ? (Lanes::load(c0 + i) + Lanes::load(c1 + i)) * half : Lanes::load(c0 + i);
                Lanes::store(x + i, Lanes::load(x + i) + e);
            }
        } else {
            // Cells i .. i + 2N − 1, i odd, from coarse cells i / 2 .. i / 2 + N: the odd
            // ones between two coarse cells, the even ones on a coarse cell.
            for (; i + 2 * Lanes::N <= v.resI + 1; i += 2 * Lanes::N) {
                const size_t k = i / 2;
                const F a0 = Lanes::load(c0 + k), b0 = Lanes::load(c0 + k + 1);
                F between0 = (a0 + b0) * half, on = b0;
                if (between) {
                    const F a1 = Lanes::load(c1 + k), b1 = Lanes::load(c1 + k + 1);
                    between0 = (between0 + (a1 + b1) * half) * half;
                    on = (b0 + b1) * half;
                }
                Lanes::storeInterleaved(x + i, Lanes::evens(x + i) + between0, Lanes::odds(x + i) + on);
            }
        }
        for (; i <= v.resI; ++i) x[i] += between ? (acrossOne(c0, i) + acrossOne(c1, i)) * 0.5f : acrossOne(c0, i);
    }
}

// After the last sweep of a correction: the border column (for these rows) and row
// stand for the extrapolation to the walls, which the finer level interpolates from.
inline void setGhosts(const MultigridLevel& v, Share rows) {
    const GridSize grid = gridOf(v);
    for (uint32_t j = rows.begin; j < rows.end; ++j)
        v.x[cellAt(grid, v.resI + 1, j)] = v.ghostI * v.x[cellAt(grid, v.resI, j)];
    if (rows.begin < rows.end && rows.end == v.resJ + 1)
        for (uint32_t i = 1; i <= v.resI + 1; ++i)
            v.x[cellAt(grid, i, v.resJ + 1)] = v.ghostJ * v.x[cellAt(grid, i, v.resJ)];
}

template <class Lanes, bool Solid>
class VCycles {
public:
    VCycles(const kernels::MultigridSolve& solve, const kernels::SolidArrays* solids, const kernels::Crew& crew)
        : mSolve(solve),
          mSolids(solids),
          mCrew(crew),
          mLevels(crew.member < solve.copies ? solve.memberLevels[crew.member] : solve.levels),
          mBoard(gridOf(solve.levels[0])) {}

    // Heights from zero until the largest residual is CONVERGED_TOLERANCE of the zero
    // start's, or stalls, or MAX_V_CYCLES have run, the first ones from the
    // coarser levels (nested iteration); then the velocity less their gradient.
    void project(float* out, const float* in) {
        const MultigridLevel& fine = mLevels[0];
        const GridSize grid = gridOf(fine);
        const HeightWeights w = heightWeights(mSolve.hx, mSolve.hy);
        const Divergence divergence = mSolve.hx == mSolve.hy ? Divergence{in, grid, mSolve.hx * 0.5f, mSolve.hy * 0.5f}
                                                             : Divergence{in, grid, w.ax, w.ay};
        // The heights start from zero; with coarser levels, the first values written
        // onto them are their interpolated solution, and only the border must be zero,
        // which nothing ever writes.
        if (mSolve.count == 1) {
            const Share cells = shareOf(mCrew, 0, uint32_t(2 * mBoard.colourFloats));
            std::memset(fine.spare + cells.begin, 0, size_t(cells.end - cells.begin) * sizeof(float));
        }
        const Share rows = rowsFor(0);
        const MultigridLevel* coarser = mSolve.count > 1 ? &mLevels[1] : nullptr;
        Largest<Lanes> zeroStart;
        withUpdate(0, [&](const auto& update, bool) {
            divergenceToBoard<Lanes, Solid>(mBoard, divergence, fine.f, fine.r, factors(), mSolve.factorBoard, rows,
                                            coarser, update, zeroStart);
        });
        const float start = largestOfAll(zeroStart);
        if (mSolve.count > 1) {
            restrictTo(1);
            nested(1);
            prolongFrom(1, true);
        }
        smooth(0, LEVEL0_START_SWEEPS);
        float last = __builtin_inff();
        for (uint32_t cycles = 0;; ++cycles) {
            Largest<Lanes> left;
            residual(0, left);
            const float largest = largestOfAll(left);
            if (mCrew.member == 0) *mSolve.outcome = {cycles, start > 0.0f ? largest / start : 0.0f};
            if (largest <= CONVERGED_TOLERANCE * start || largest > CONVERGED_STALL * last || cycles == MAX_V_CYCLES)
                break;
            last = largest;
            if (mSolve.count > 1) {
                restrictTo(1);
                correct(1);
                prolongFrom(1);
            }
            smooth(0, LEVEL0_SWEEPS);
        }
        if (rows.begin < rows.end)
            boardToCells<Lanes>(
                mBoard, fine.spare, fine.x,
                {rows.begin == 1 ? 0 : rows.begin, rows.end == fine.resJ + 1 ? rows.end + 1 : rows.end});
        kernels::meet(mCrew);
        if constexpr (Solid) {
            subtractGradient<Lanes, true>(out, in, fine.x, grid, mSolve.hx, mSolve.hy, mSolids->mask, mSolids->fluid,
                                          mCrew);
        } else {
            subtractGradient<Lanes, false>(out, in, fine.x, grid, mSolve.hx, mSolve.hy, nullptr, nullptr, mCrew);
        }
    }

private:
    const kernels::MultigridSolve& mSolve;
    const kernels::SolidArrays* mSolids;  // null without Solid
    const kernels::Crew& mCrew;
    // The levels this member works on: the shared ones, and its own copy of each level
    // too small to share.
    const MultigridLevel* mLevels;
    const Board mBoard;  // level 0's layout

    // Level 0 is shared by the whole crew, a coarser level by as many members as have
    // cellsPerCoarseMember cells each. A level too small for two is every member's own:
    // each solves it, and every level below it, alike in its own copy, with no meeting.
    // (Run by one member alone while the others waited, they fell asleep, and waking
    // them cost more than the passes; shared down to the smallest levels, the meetings
    // did: see docs/performance.md.)
    uint32_t membersFor(size_t l) const {
        if (l == 0) return mCrew.size;
        const uint64_t worth = uint64_t(mLevels[l].resI) * mLevels[l].resJ / mSolve.cellsPerCoarseMember;
        return uint32_t(worth < 1 ? 1 : worth < mCrew.size ? worth : mCrew.size);
    }
    bool ownCopy(size_t l) const { return l > 0 && membersFor(l) == 1; }
    Share rowsFor(size_t l) const {
        if (ownCopy(l)) return {1, mLevels[l].resJ + 1};
        const uint32_t members = membersFor(l);
        if (mCrew.member >= members) return {1, 1};
        return shareOf(kernels::Crew{mCrew.team, mCrew.member, members}, 1, mLevels[l].resJ + 1);
    }
    // After a pass on level l, where others read what it wrote.
    void sync(size_t l) const {
        if (!ownCopy(l)) kernels::meet(mCrew);
    }

    const float* factors() const { return Solid ? mSolids->heightFactors : nullptr; }

    template <class Visit>
    void withUpdate(size_t l, Visit&& visit) const {
        const MultigridLevel& v = mLevels[l];
        if (l == 0 && mSolve.hx == mSolve.hy) {
            visit(SquareCells{}, false);
        } else {
            visit(WeightedCells{v.westEast, v.southNorth}, l != 0);
        }
    }

    // Every member's largest, once all have been taken.
    float largestOfAll(const Largest<Lanes>& mine) const {
        float* maxima = mSolve.maxima;
        maxima[mCrew.member * kernels::MAXIMA_STRIDE] = mine.value();
        kernels::meet(mCrew);
        float largest = 0.0f;
        for (uint32_t m = 0; m < mCrew.size; ++m)
            if (maxima[m * kernels::MAXIMA_STRIDE] > largest) largest = maxima[m * kernels::MAXIMA_STRIDE];
        return largest;
    }

    void smooth(size_t l, int sweeps, bool ghosts = false) {
        const Share rows = rowsFor(l);
        if (l == 0) {
            withUpdate(0, [&](const auto& update, bool) {
                for (int sweep = 0; sweep < sweeps; ++sweep)
                    for (uint32_t colour = 0; colour < 2; ++colour) {
                        relaxBoard<Lanes, Solid>(mBoard, mLevels[0].spare, mLevels[0].f, mSolve.factorBoard, colour,
                                                 rows, update);
                        sync(0);
                    }
            });
            return;
        }
        const bool shared = !ownCopy(l) && membersFor(l) > 1;
        withUpdate(l, [&](const auto& update, bool scaled) {
            for (int sweep = 0; sweep < sweeps; ++sweep)
                for (uint32_t colour = 0; colour < 2; ++colour) {
                    relaxColour<Lanes>(mLevels[l], scaled, colour, rows, shared, update);
                    if (ghosts && sweep + 1 == sweeps && colour == 1) setGhosts(mLevels[l], rows);
                    sync(l);
                }
        });
    }

    void residual(size_t l, Largest<Lanes>& largest) {
        const MultigridLevel& v = mLevels[l];
        const MultigridLevel* coarser = l + 1 < mSolve.count ? &mLevels[l + 1] : nullptr;
        withUpdate(l, [&](const auto& update, bool scaled) {
            if (l == 0) {
                boardResidual<Lanes, Solid>(mBoard, v.spare, v.f, mSolve.factorBoard, v.r, rowsFor(l), coarser, update,
                                            largest);
            } else {
                storeResidual<Lanes>(v, scaled, rowsFor(l), coarser, update, largest);
            }
        });
    }

    // Level c's right-hand side; a member's own copy reads the finer level's residual,
    // complete since the finer level's last meeting.
    void restrictTo(size_t c) {
        if (c == 1) {
            restrictBoard<Lanes>(mBoard, mLevels[0].r, mLevels[1], rowsFor(c));
        } else {
            restrictRows<Lanes>(mLevels[c - 1], mLevels[c], rowsFor(c));
        }
        sync(c);
    }

    void prolongFrom(size_t c, bool ontoZero = false) {
        if (c == 1) {
            prolongToBoard<Lanes, Solid>(mBoard, mLevels[0].spare, mSolve.factorBoard, mLevels[1], rowsFor(0),
                                         ontoZero);
        } else {
            prolongRows<Lanes>(mLevels[c - 1], mLevels[c], rowsFor(c - 1));
        }
        sync(c - 1);
    }

    // Level c's correction from zero (x_c cleared, f_c restricted to it): V(1, 1)
    // below it; the coarsest level sweeps.
    void correct(size_t c) {
        if (c + 1 == mSolve.count) {
            smooth(c, COARSEST_SWEEPS, true);
        } else {
            vCycle(c);
        }
    }

    void vCycle(size_t c) {
        smooth(c, SMOOTHING_SWEEPS);
        Largest<Lanes> ignored;
        residual(c, ignored);
        sync(c);
        restrictTo(c + 1);
        correct(c + 1);
        prolongFrom(c + 1);
        smooth(c, SMOOTHING_SWEEPS, true);
    }

    // Level c solved from zero by nested iteration: its residual restricted to the
    // coarser levels and solved there, interpolated back, and one V-cycle.
    void nested(size_t c) {
        if (c + 1 == mSolve.count) {
            smooth(c, COARSEST_SWEEPS, true);
            return;
        }
        Largest<Lanes> ignored;
        residual(c, ignored);
        sync(c);
        restrictTo(c + 1);
        nested(c + 1);
        prolongFrom(c + 1);
        vCycle(c);
    }
};

template <class Lanes, bool Solid>
void projectConverged(float* out, const float* in, const kernels::MultigridSolve& solve,
                      const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    VCycles<Lanes, Solid>(solve, solids, crew).project(out, in);
}

}  // namespace
