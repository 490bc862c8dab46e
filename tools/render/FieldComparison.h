#pragma once
// How far apart two simulations of the same grid are, field by field.

#include "sim/FluidSim2D.h"

struct FieldDifference {
    double density;   // relative difference of the density fields
    double velocity;  // relative difference of the velocity fields
};

// Over the interior cells: |a - b| / max(|a|, |b|) in the 2-norm, so 0 for equal
// fields, at most 2, 0 when both fields are zero, and NaN when either holds a value
// that is not finite. Both grids must be the same size.
FieldDifference relativeDifference(FluidSim2D& a, FluidSim2D& b);

// Whether every interior cell's density and velocity are finite numbers.
bool fieldsAreFinite(FluidSim2D& sim);
