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

template <class Lanes>
constexpr kernels::KernelTable kernelTableFor(const char* name) {
    return {name,           &addSources<Lanes>,    &diffuse<Lanes>,       &project<Lanes>, &projectConverged<Lanes>,
            &advect<Lanes>, &addBodyForces<Lanes>, &addStroke<Lanes>};
}

}  // namespace
