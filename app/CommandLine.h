#pragma once
// What the command line asks for: the grid resolution and whether the software
// solver is forced. Reading it needs no window, so it is kept apart from start-up.

#include <cstdint>
#include <string>

constexpr int64_t DEFAULT_RESOLUTION = 201;
constexpr int64_t MIN_RESOLUTION = 1;
// Every grid texture of the shader solver (resolution plus its two border cells)
// must stay within 4096 texels a side.
constexpr int64_t MAX_RESOLUTION = 4094;

struct CommandLine {
    int64_t resolution = DEFAULT_RESOLUTION;
    bool forceSoftware = false;
    // The argument the resolution was read from, or null for the default.
    const char* resolutionArgument = nullptr;
};

// argv[0] is the program; at most two further arguments are looked at. "-s" as the
// first one forces the software solver and takes the resolution from the second;
// otherwise the first is the resolution and a second is ignored. A resolution is
// read like atoi (leading blanks, a sign, then leading digits; none give 0), except
// that a number too large for any integer saturates instead of being undefined.
CommandLine parseCommandLine(int argc, const char* const* argv);

// Leading-digits integer in the manner of atoi, saturating at the 64-bit limits.
int64_t leadingInteger(const char* text);

bool resolutionAccepted(int64_t resolution);

// One line for standard error naming the rejected argument and the accepted range.
std::string resolutionError(const CommandLine& line);
