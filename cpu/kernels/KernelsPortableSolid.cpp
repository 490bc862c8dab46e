// The kernels for grids with solid cells on any processor, in the compiler's
// generic vectors.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesPortable.h"

namespace kernels {

const KernelTable& portableSolidKernels() {
    static constexpr KernelTable table = kernelTableFor<PortableLanes, true>("portable");
    return table;
}

}  // namespace kernels
