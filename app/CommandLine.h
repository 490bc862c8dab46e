#pragma once
// What the command line asks for: the window options, the grid resolution and whether
// the software solver is forced. Reading it needs no window, so it is kept apart from
// start-up.

#include <cstdint>
#include <optional>
#include <string>

#include "sim/GridSize.h"
#include "sim/ProjectionMode.h"

constexpr int64_t DEFAULT_RESOLUTION = 201;
constexpr int64_t MIN_RESOLUTION = 1;

struct CommandLine {
    int64_t resolution = DEFAULT_RESOLUTION;
    bool forceSoftware = false;
    // The argument the resolution was read from, or null for the default.
    const char* resolutionArgument = nullptr;

    // The window options, which come before the arguments above.
    std::string recordPath;                                   // --record FILE; empty: the session is not recorded
    std::string scenePath;                                    // --scene FILE; empty: the window starts empty
    ProjectionMode projection = ProjectionMode::FixedSweeps;  // --projection MODE
};

// When the first argument is exactly --help, -h or --version: prints the help or the
// version on standard output and gives the status to end with (0). Nothing for any
// other command line. Needs no display, so it runs before GLUT is initialised.
std::optional<int> answerInformationRequest(int argc, const char* const* argv);

// Reads the window options that lead the command line ("--name value" or "--name=value",
// as the other programs read theirs) into `line`, then the arguments after them with
// parseCommandLine. A status: help, the version or a mistake in the options has been
// printed, and the program ends with it.
std::optional<int> readWindowCommandLine(int argc, const char* const* argv, CommandLine& line);

// argv[0] is the program; at most two further arguments are looked at. "-s" as the
// first one forces the software solver and takes the resolution from the second;
// otherwise the first is the resolution and a second is ignored. A resolution is
// read by its leading digits (leadingInteger).
CommandLine parseCommandLine(int argc, const char* const* argv);

bool resolutionAccepted(int64_t resolution);

// One line for standard error naming the rejected argument and the accepted range.
std::string resolutionError(const CommandLine& line);
