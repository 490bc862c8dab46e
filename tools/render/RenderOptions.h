#pragma once
// The command line of smoke-render.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/render/Picture.h"
#include "tools/render/Scenario.h"

struct RenderOptions {
    std::string scenarioPath;
    std::string outDir = ".";
    int width = 800;  // the window's size
    int height = 800;
    std::optional<SolverChoice> solver;  // overrides the scenario's
    std::optional<uint32_t> resI;        // with resJ: overrides the scenario's grid
    std::optional<uint32_t> resJ;
    uint32_t every = 0;  // write a numbered frame after every this many steps; 0: none
    OverlayChoice overlays;
    bool help = false;
};

struct ParsedOptions {
    RenderOptions options;
    std::string error;  // empty when the command line was understood
};

ParsedOptions parseRenderOptions(const std::vector<std::string>& args);

extern const char* const RENDER_USAGE;
