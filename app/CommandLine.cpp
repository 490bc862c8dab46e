#include "app/CommandLine.h"

#include <cstdlib>
#include <cstring>

int64_t leadingInteger(const char* text) {
    // strtoll follows atoi's reading and saturates where atoi would overflow.
    return int64_t(std::strtoll(text, nullptr, 10));
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

bool resolutionAccepted(int64_t resolution) {
    return resolution >= MIN_RESOLUTION && resolution <= MAX_RESOLUTION;
}

std::string resolutionError(const CommandLine& line) {
    const std::string argument = line.resolutionArgument ? line.resolutionArgument : std::to_string(line.resolution);
    return "smoke: the grid resolution \"" + argument + "\" is not a whole number from " +
           std::to_string(MIN_RESOLUTION) + " to " + std::to_string(MAX_RESOLUTION) +
           "; usage: smoke [-s] [resolution]";
}
