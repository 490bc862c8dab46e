// The kernels for processors with AVX2. This file alone is compiled for AVX2, and
// its code runs only after the processor has been asked whether it has it.
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesAvx2.h"

namespace kernels {

const KernelTable& avx2Kernels() {
    static constexpr KernelTable table = kernelTableFor<Avx2Lanes, false>("avx2");
    return table;
}

}  // namespace kernels
