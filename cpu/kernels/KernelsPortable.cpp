// The kernels for any processor, in the compiler's generic vectors.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesPortable.h"

namespace kernels {

uint64_t skewedFloats(GridSize grid, unsigned members) { return skewedFloatsOf(grid, members); }
uint64_t edgeFloats(GridSize grid, unsigned members) {
    return uint64_t(bandCount(grid, members)) * 2 * (uint64_t(grid.resI) + 2) * 2;
}

const KernelTable& portableKernels() {
    static constexpr KernelTable table = kernelTableFor<PortableLanes, false>("portable");
    return table;
}

}  // namespace kernels
