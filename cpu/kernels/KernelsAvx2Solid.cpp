// The kernels for grids with solid cells on processors with AVX2, compiled for
// AVX2 like the others (see KernelsAvx2.cpp).
#include "cpu/kernels/KernelBodies.h"
#include "cpu/kernels/LanesAvx2.h"

namespace kernels {

const KernelTable& avx2SolidKernels() {
    static constexpr KernelTable table = kernelTableFor<Avx2Lanes, true>("avx2");
    return table;
}

}  // namespace kernels
