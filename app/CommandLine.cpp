#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <cstring>

#include "tools/cli/Conventions.h"
#include "tools/cli/Numbers.h"

std::optional<int> answerInformationRequest(int argc, const char* const* argv) {
    if (argc < 2) return std::nullopt;
    const std::string first = argv[1];
    if (first != "--help" && first != "-h" && first != "--version") return std::nullopt;
    // The grammar itself is read by parseCommandLine; CLI11 only describes it here.
    CLI::App app("An interactive two-dimensional smoke simulation: pour smoke with the left mouse\n"
                 "button, stir it with strokes of the right one.",
                 "smoke");
    useConventions(app);
    bool software = false;
    std::string resolution;
    app.add_flag("-s", software, "the software solver, without looking at the OpenGL extensions");
    app.add_option("resolution", resolution,
                   "grid cells a side, " + std::to_string(MIN_RESOLUTION) + " to " + std::to_string(MAX_GRID) +
                       " (default " + std::to_string(DEFAULT_RESOLUTION) + "); its leading digits count")
        ->type_name("");
    app.footer("Without -s the shader solver runs when OpenGL offers every extension it needs,\n"
               "else the software solver.\n"
               "\nExit status: 0 after quitting; 1 when the grid does not fit in memory or there is\n"
               "no display; 2 for a resolution out of range.");
    return readCommandLine(app, 2, argv);
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    if (argc < 2) return line;
    if (std::strcmp(argv[1], "-s") == 0) {
        line.forceSoftware = true;
        if (argc >= 3) line.resolutionArgument = argv[2];
    } else {
        line.resolutionArgument = argv[1];
    }
    if (line.resolutionArgument) line.resolution = leadingInteger(line.resolutionArgument);
    return line;
}

bool resolutionAccepted(int64_t resolution) { return resolution >= MIN_RESOLUTION && resolution <= MAX_GRID; }

std::string resolutionError(const CommandLine& line) {
    const std::string argument = line.resolutionArgument ? line.resolutionArgument : std::to_string(line.resolution);
    return "smoke: the grid resolution \"" + argument + "\" is not a whole number from " +
           std::to_string(MIN_RESOLUTION) + " to " + std::to_string(MAX_GRID) + "; usage: smoke [-s] [resolution]";
}
