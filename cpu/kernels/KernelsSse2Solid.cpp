// The kernels for grids with solid cells on any x86-64 processor.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesSse2.h"

namespace kernels {

const KernelTable& sse2SolidKernels() {
    static constexpr KernelTable table = kernelTableFor<Sse2Lanes, true>("sse2");
    return table;
}

}  // namespace kernels
