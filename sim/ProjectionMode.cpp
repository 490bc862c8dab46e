#include "sim/ProjectionMode.h"

const char* projectionModeName(ProjectionMode mode) {
    return mode == ProjectionMode::Converged ? "converged" : "specified";
}

std::optional<ProjectionMode> projectionModeNamed(const std::string& word) {
    for (ProjectionMode mode : {ProjectionMode::FixedSweeps, ProjectionMode::Converged})
        if (word == projectionModeName(mode)) return mode;
    return std::nullopt;
}
