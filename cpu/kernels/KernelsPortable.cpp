// The kernels for any processor, in the compiler's generic vectors.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesPortable.h"

namespace kernels {

uint64_t skewedFloats(GridSize grid) { return skewedFloatsOf(grid); }

const KernelTable& portableKernels() {
    static constexpr KernelTable table = kernelTableFor<PortableLanes>("portable");
    return table;
}

}  // namespace kernels
