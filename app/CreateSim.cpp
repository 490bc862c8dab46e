#include "app/Shell.h"
#include "cpu/CPUSim.h"

// The one place that picks the solver. The shader solver plugs in here: when
// useGPU is set it is tried first, and the software solver takes over when its
// constructor throws. Until it is built, every run gets the software solver.
void createSim(uint32_t resolution, [[maybe_unused]] bool useGPU) {
    sim = std::make_unique<CPUSim>(resolution, resolution);
}
