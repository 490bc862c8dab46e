#include "app/Shell.h"
#include "cpu/CPUSim.h"
#include "gpu/GPUSim.h"

// The one place that picks the solver: the shader solver when every extension it
// needs is there, and the software solver when it is not, when "-s" asks for it, or
// when the shader solver finds it cannot run after all (its programs fail to build,
// the grid exceeds the largest texture, the framebuffer is incomplete).
void createSim(uint32_t resolution, bool useGPU) {
    if (useGPU) {
        sim = createGpuSimOrFallback(resolution);
    } else {
        sim = std::make_unique<CPUSim>(resolution, resolution);
    }
}
