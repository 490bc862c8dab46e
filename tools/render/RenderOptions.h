#pragma once
// The command line of smoke-render.

#include <cstdint>
#include <optional>
#include <string>

#include "tools/render/Film.h"
#include "tools/render/Picture.h"
#include "scenario/Scenario.h"

struct RenderOptions {
    std::string scenarioPath;
    std::string outDir = ".";
    int width = 800;  // the window's size
    int height = 800;
    std::optional<SolverChoice> solver;        // overrides the scenario's
    std::optional<ProjectionMode> projection;  // overrides the scenario's
    std::optional<uint32_t> resI;              // with resJ: overrides the scenario's grid
    std::optional<uint32_t> resJ;
    unsigned threads = 0;   // for the software solver; 0: its default
    uint32_t every = 0;     // a numbered frame (or a film's frame) after every this many steps; 0: none
    std::string videoPath;  // the film; empty: none
    FilmFormat videoFormat = FilmFormat::Mp4;
    uint32_t framesPerSecond = DEFAULT_FRAMES_PER_SECOND;
    OverlayChoice overlays;
    bool quiet = false;  // no progress line
};

// A frame after every this many steps: --every, or every step for a film.
uint32_t frameInterval(const RenderOptions& options);

// The film the options ask for.
FilmSettings filmSettings(const RenderOptions& options);

// Why pictures cannot be written into `folder`, checked before anything runs: the folder
// or, when it is still to be made, the nearest folder above it must be a folder this
// process may write into. Empty when they can.
std::string outputFolderRefusal(const std::string& folder);

// Reads smoke-render's command line into `options`. Nothing: the program goes on. A
// status: help, the version or a mistake has been printed; the program ends with it.
std::optional<int> readRenderOptions(int argc, const char* const* argv, RenderOptions& options);
