#include "tools/render/RenderOptions.h"

#include <CLI/CLI.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cpu/ThreadTeam.h"
#include "cli/Conventions.h"
#include "sim/Numbers.h"

uint32_t frameInterval(const RenderOptions& options) {
    return options.videoPath.empty() ? options.every : std::max(options.every, 1u);
}

FilmSettings filmSettings(const RenderOptions& options) {
    return {options.videoPath, options.videoFormat, options.width, options.height, options.framesPerSecond};
}

std::string outputFolderRefusal(const std::string& folder) {
    std::string existing = folder.empty() ? "." : folder;
    struct stat info {};
    while (stat(existing.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return "cannot reach " + existing + ": " + std::strerror(errno);
        // One level up: where the missing folder would be made.
        const size_t end = existing.find_last_not_of('/');
        const size_t slash = end == std::string::npos ? std::string::npos : existing.find_last_of('/', end);
        existing = slash == std::string::npos ? "." : slash == 0 ? "/" : existing.substr(0, slash);
    }
    if (!S_ISDIR(info.st_mode))
        return existing + (S_ISREG(info.st_mode) ? " is a file, not a folder" : " is not a folder");
    if (access(existing.c_str(), W_OK | X_OK) != 0)
        return "cannot write into " + existing + ": " + std::strerror(errno);
    return "";
}

std::optional<int> readRenderOptions(int argc, const char* const* argv, RenderOptions& options) {
    CLI::App app("Replays a scenario without a window and writes each picture it takes as a PNG file.", "smoke-render");
    useConventions(app);
    RenderOptions& o = options;
    app.add_option("SCENARIO", o.scenarioPath, "the scenario file: one action a line")->required()->type_name("");
    app.add_option("--out", o.outDir, "folder for the files (made when missing; default: here)")->type_name("DIR");
    addReadOption(app, "--size", "picture size in pixels (default 800, the window's size)", "W[xH]",
                  "W or WxH pixels from 1 to " + std::to_string(MAX_PICTURE_SIDE), [&o](const std::string& text) {
                      GridSize2D size{};
                      if (!readGridSize(text, MAX_PICTURE_SIDE, size)) return false;
                      o.width = int(size.resI);
                      o.height = int(size.resJ);
                      return true;
                  });
    addReadOption(app, "--grid",
                  "the grid instead of the scenario's, cells across and up, 1 to " + std::to_string(MAX_GRID) +
                      " (the software solver\nalone takes larger ones)",
                  "N[xM]", "N or NxM cells", [&o](const std::string& text) {
                      GridSize2D grid{};
                      if (!readGridSize(text, LARGEST_WHOLE_NUMBER, grid)) return false;
                      o.resI = grid.resI;
                      o.resJ = grid.resJ;
                      return true;
                  });
    addReadOption(app, "--solver",
                  "the solver instead of the scenario's: software, shader, or both side by\nside, with a "
                  "difference image and the fields' difference",
                  "cpu|gpu|both", "cpu, gpu or both", [&o](const std::string& text) {
                      SolverChoice solver{};
                      if (!readSolverWord(text, solver)) return false;
                      o.solver = solver;
                      return true;
                  });
    addReadOption(app, "--projection",
                  "the projection instead of the scenario's: specified (ten relaxation\nsweeps, the default) or "
                  "converged (multigrid until converged)",
                  "MODE", "specified or converged", [&o](const std::string& text) {
                      o.projection = projectionModeNamed(text);
                      return o.projection.has_value();
                  });
    addReadOption(app, "--threads",
                  "threads for the software solver (default: SMOKE_THREADS, else up to the\nprocessors this process "
                  "may use, fewer while fewer are faster; the pictures are the\nsame for every count)",
                  "N", "a whole number from 1 to " + std::to_string(MAX_SOFTWARE_THREADS),
                  [&o](const std::string& text) {
                      uint32_t threads = 0;
                      if (!readWholeNumber(text, 1, MAX_SOFTWARE_THREADS, threads)) return false;
                      o.threads = threads;
                      return true;
                  });
    addReadOption(app, "--every",
                  "also writes frame-NNNNN.png after every N steps (with --video: a\nframe of the film)", "N",
                  "a whole number from 1 to " + std::to_string(MAX_STEPS),
                  [&o](const std::string& text) { return readWholeNumber(text, 1, MAX_STEPS, o.every); });
    addReadOption(app, "--video",
                  "writes the run as a film, a frame after every step: FILE.mp4 (H.264),\n.webm (VP9) or .gif", "FILE",
                  "a name ending in .mp4, .webm or .gif", [&o](const std::string& text) {
                      const std::optional<FilmFormat> format = filmFormatOf(text);
                      if (!format) return false;
                      o.videoPath = text;
                      o.videoFormat = *format;
                      return true;
                  });
    addReadOption(
        app, "--fps", "the film's frames a second (default " + std::to_string(DEFAULT_FRAMES_PER_SECOND) + ")", "N",
        "a whole number from 1 to " + std::to_string(MAX_FRAMES_PER_SECOND),
        [&o](const std::string& text) { return readWholeNumber(text, 1, MAX_FRAMES_PER_SECOND, o.framesPerSecond); });
    app.add_flag("--velocity", o.overlays.velocity, "draws the velocity arrows");
    app.add_flag("--cells", o.overlays.cellCentres, "draws the cell centres");
    app.add_flag("--strokes", o.overlays.strokes, "draws the stirring strokes");
    app.add_flag("-q,--quiet", o.quiet, "no progress line on standard error");
    app.footer(
        "Standard output lists each file written; a film is written as FILE.part and\n"
        "renamed once complete.\n"
        "\nExit status: 0 when every picture was written; 1 when the run failed (a solver that\n"
        "cannot run here, a file that cannot be written); 2 for a mistake in the command line\n"
        "or the scenario, when nothing ran.");
    return readCommandLine(app, argc, argv);
}
