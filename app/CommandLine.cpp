#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <vector>

#include "cli/Conventions.h"
#include "sim/Numbers.h"

namespace {

// The one description of the command line: --help prints it, and the window options are
// read with it. The specified arguments are only described here; parseCommandLine reads them.
struct Description {
    CLI::App app{
        "An interactive two-dimensional smoke simulation: pour smoke with the left mouse\n"
        "button, stir it with strokes of the right one.",
        "smoke"};
    bool software = false;
    std::string resolution;

    explicit Description(CommandLine& line) {
        useConventions(app);
        app.add_option("--record", line.recordPath,
                       "records the session into FILE as it runs, a scenario for smoke-render")
            ->type_name("FILE");
        app.add_option("--scene", line.scenePath,
                       "starts with the solids of a scenario FILE and the strokes it lays before its\n"
                       "first step (world positions; the window's grid applies, other lines are ignored)")
            ->type_name("FILE");
        addReadOption(app, "--projection",
                      "how the velocity is made divergence-free: specified (the default, ten\n"
                      "relaxation sweeps) or converged (multigrid until the pressure has converged)",
                      "MODE", "specified or converged", [&line](const std::string& text) {
                          const std::optional<ProjectionMode> mode = projectionModeNamed(text);
                          if (mode) line.projection = *mode;
                          return mode.has_value();
                      });
        app.add_flag("-s", software, "the software solver, without looking at the OpenGL extensions");
        app.add_option("resolution", resolution,
                       "grid cells a side, " + std::to_string(MIN_RESOLUTION) + " to " + std::to_string(MAX_GRID) +
                           " (default " + std::to_string(DEFAULT_RESOLUTION) + "); its leading digits count")
            ->type_name("");
        app.footer(
            "Options go before -s and the resolution. Without -s the shader solver runs when\n"
            "OpenGL offers every extension it needs, else the software solver.\n"
            "\nExit status: 0 after quitting; 1 when the grid does not fit in memory or there is\n"
            "no display; 2 for a resolution out of range, a mistake in an option or a recording\n"
            "that cannot be written.");
    }
};

// Where the specified arguments begin: after every leading word that starts with "--"
// and the value of each such option that takes its value from the next word.
int firstSpecifiedArgument(const CLI::App& app, int argc, const char* const* argv) {
    int k = 1;
    while (k < argc && std::strncmp(argv[k], "--", 2) == 0) {
        const std::string word = argv[k];
        const size_t equals = word.find('=');
        const CLI::Option* option = app.get_option_no_throw(word.substr(0, equals));
        const bool valueFollows = option && option->get_items_expected_max() > 0 && equals == std::string::npos;
        k += valueFollows ? 2 : 1;
    }
    return std::min(k, argc);
}

}  // namespace

std::optional<int> answerInformationRequest(int argc, const char* const* argv) {
    if (argc < 2) return std::nullopt;
    const std::string first = argv[1];
    if (first != "--help" && first != "-h" && first != "--version") return std::nullopt;
    CommandLine unused;
    Description description(unused);
    return readCommandLine(description.app, 2, argv);
}

std::optional<int> readWindowCommandLine(int argc, const char* const* argv, CommandLine& line) {
    Description description(line);
    const int first = firstSpecifiedArgument(description.app, argc, argv);
    if (first > 1)
        if (const std::optional<int> status = readCommandLine(description.app, first, argv)) return status;
    std::vector<const char*> specified{argv[0]};
    specified.insert(specified.end(), argv + first, argv + argc);
    const CommandLine read = parseCommandLine(int(specified.size()), specified.data());
    line.resolution = read.resolution;
    line.forceSoftware = read.forceSoftware;
    line.resolutionArgument = read.resolutionArgument;
    return std::nullopt;
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
