#pragma once
// Which cells of a stroke's box can receive anything at all.

#include <cstdint>

#include "sim/FluidSim2D.h"

// For every row j of the stroke's box, the columns first[j] .. last[j] (none where
// first[j] > last[j]) outside which every cell is so far from the stroke that its
// weight is exactly zero. Such a cell would get ±0 added, which changes no source:
// sources start at +0 and a sum is −0 only when both terms are. The reach is generous
// by far more than the rounding of the per-cell arithmetic. centreX and centreY give
// the world positions of the cell centres by column and by row.
void strokeRowReach(const StrokeFootprint& stroke, const float* centreX, const float* centreY, uint32_t* first,
                    uint32_t* last);
