#include "cpu/HeightFactors.h"

std::vector<float> heightFactors(const SolidCells& solids, uint32_t resI, uint32_t resJ, float hx, float hy) {
    // The neighbours' weights as the equation rounds them (see the projection kernels).
    const double x = hx, y = hy, scale = 2.0 * (x * x + y * y);
    const double westEast = float(y * y / scale), southNorth = float(x * x / scale);
    std::vector<float> factors((uint64_t(resI) + 2) * (uint64_t(resJ) + 2), 0.0f);
    for (uint32_t j = 1; j <= resJ; ++j)
        for (uint32_t i = 1; i <= resI; ++i) {
            const int openX = !solids(i - 1, j) + !solids(i + 1, j), openY = !solids(i, j - 1) + !solids(i, j + 1);
            float& factor = factors[cellNumber(i, j, resI)];
            if (solids(i, j)) continue;
            if (openX + openY == 4)
                factor = hx == hy ? 0.25f : 1.0f;
            else if (openX + openY > 0)
                factor = hx == hy ? float(1.0 / (openX + openY)) : float(1.0 / (westEast * openX + southNorth * openY));
        }
    return factors;
}
