#pragma once
// Every fast kernel for one kind of vector lanes, gathered into a table.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/Advection.h"
#include "cpu/kernels/BodyForces.h"
#include "cpu/kernels/ConvergedProjection.h"
#include "cpu/kernels/Diffusion.h"
#include "cpu/kernels/KernelTable.h"
#include "cpu/kernels/Projection.h"
#include "cpu/kernels/Sources.h"
#include "cpu/kernels/Strokes.h"

namespace {

// Solid: the kernels for a grid with solid cells, which they take; others ignore them.
// The two are compiled in files of their own, so that the kernels for grids without
// solids are compiled exactly as they would be without the others.
template <class Lanes, bool Solid>
constexpr kernels::KernelTable kernelTableFor(const char* name) {
    return {name,
            &addSources<Lanes, Solid>,
            &diffuse<Lanes, Solid>,
            &project<Lanes, Solid>,
            &projectConverged<Lanes, Solid>,
            &advect<Lanes, Solid>,
            &addBodyForces<Lanes, Solid>,
            &addStroke<Lanes>};
}

}  // namespace
