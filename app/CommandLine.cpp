#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <cstring>

#include "tools/cli/Conventions.h"
#include "tools/cli/Numbers.h"

namespace {

// An option before the resolution arguments, and how its value is read.
struct LeadingOption {
    const char* name;
    const char* values;  // what the value may be, for messages
    bool (*read)(const std::string& value, CommandLine& line);
};

const LeadingOption LEADING_OPTIONS[] = {
    {"--projection", "specified or converged",
     [](const std::string& value, CommandLine& line) {
         const std::optional<ProjectionMode> mode = projectionModeNamed(value);
         if (mode) line.projection = *mode;
         return mode.has_value();
     }},
};

const char* const USAGE = "usage: smoke [--projection specified|converged] [-s] [resolution]";

// The option argv[k] names ("--name" or "--name=value"), or null.
const LeadingOption* leadingOption(const char* argument) {
    for (const LeadingOption& option : LEADING_OPTIONS) {
        const size_t length = std::strlen(option.name);
        if (std::strncmp(argument, option.name, length) == 0 && (argument[length] == '\0' || argument[length] == '='))
            return &option;
    }
    return nullptr;
}

// Reads the options from argv[1] on; returns the index of the first argument after them.
int readLeadingOptions(int argc, const char* const* argv, CommandLine& line) {
    int k = 1;
    while (k < argc && line.optionError.empty()) {
        const LeadingOption* option = leadingOption(argv[k]);
        if (!option) break;
        const char* equals = std::strchr(argv[k], '=');
        const char* value = equals ? equals + 1 : k + 1 < argc ? argv[k + 1] : nullptr;
        k += equals ? 1 : 2;
        if (!value) {
            line.optionError = std::string("smoke: ") + option->name + " needs a value (" + option->values + "); " + USAGE;
        } else if (!option->read(value, line)) {
            line.optionError = std::string("smoke: ") + option->name + " takes " + option->values + ", not \"" + value +
                               "\"; " + USAGE;
        }
    }
    return k;
}

}  // namespace

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
    std::string projection;
    app.add_option("--projection", projection,
                   "how the velocity is made divergence-free: specified (the default, ten\n"
                   "relaxation sweeps) or converged (multigrid until the pressure has converged)")
        ->type_name("MODE");
    app.add_flag("-s", software, "the software solver, without looking at the OpenGL extensions");
    app.add_option("resolution", resolution,
                   "grid cells a side, " + std::to_string(MIN_RESOLUTION) + " to " + std::to_string(MAX_GRID) +
                       " (default " + std::to_string(DEFAULT_RESOLUTION) + "); its leading digits count")
        ->type_name("");
    app.footer("Without -s the shader solver runs when OpenGL offers every extension it needs,\n"
               "else the software solver.\n"
               "\nExit status: 0 after quitting; 1 when the grid does not fit in memory or there is\n"
               "no display; 2 for a resolution out of range or an option it cannot read.");
    return readCommandLine(app, 2, argv);
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    const int first = readLeadingOptions(argc, argv, line);
    if (argc <= first) return line;
    if (std::strcmp(argv[first], "-s") == 0) {
        line.forceSoftware = true;
        if (argc > first + 1) line.resolutionArgument = argv[first + 1];
    } else {
        line.resolutionArgument = argv[first];
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
