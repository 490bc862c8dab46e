#include "sim/Limits.h"

#include <algorithm>
#include <cstdio>

bool isValidStepLength(double dt) { return dt >= 0.0 && dt <= MAX_STEP_SECONDS; }

std::string gridShapeRefusal(uint32_t resI, uint32_t resJ) {
    const double longer = std::max(resI, resJ), shorter = std::min(resI, resJ);
    if (shorter == 0.0 || longer <= shorter * MAX_CELL_ASPECT_RATIO) return "";
    char text[200];
    std::snprintf(text, sizeof text,
                  "a %u by %u grid has cells %.4g times as %s; the solvers stay bounded only up to %g", unsigned(resI),
                  unsigned(resJ), longer / shorter, resI < resJ ? "wide as tall" : "tall as wide",
                  MAX_CELL_ASPECT_RATIO);
    return text;
}
