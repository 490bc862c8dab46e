// The kernels for any x86-64 processor.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesSse2.h"

namespace kernels {

const KernelTable& sse2Kernels() {
    static constexpr KernelTable table = kernelTableFor<Sse2Lanes, false>("sse2");
    return table;
}

}  // namespace kernels
