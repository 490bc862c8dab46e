#include "bench/BenchOptions.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace {

// Grids beyond this are refused here rather than failing somewhere in an allocation.
constexpr unsigned long MAX_RESOLUTION = 16384;

std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ',')) parts.push_back(part);
    return parts;
}

// The whole text as a whole number in [low, high], or nothing.
bool readWhole(const std::string& text, unsigned long low, unsigned long high, unsigned long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    value = std::strtoul(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

// "N" for N by N cells, or "IxJ".
GridSize2D readGrid(const std::string& text) {
    const size_t cross = text.find('x');
    const std::string first = text.substr(0, cross);
    const std::string second = cross == std::string::npos ? first : text.substr(cross + 1);
    unsigned long i = 0, j = 0;
    if (!readWhole(first, 1, MAX_RESOLUTION, i) || !readWhole(second, 1, MAX_RESOLUTION, j)) throw std::invalid_argument("not a grid size (N or IxJ, 1 to 16384): \"" + text + "\"");
    return {uint32_t(i), uint32_t(j)};
}

double readSeconds(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0.0 && value <= 3600.0))
        throw std::invalid_argument("not a number of seconds (0 to 3600): \"" + text + "\"");
    return value;
}

int readCount(const std::string& option, const std::string& text, unsigned long low) {
    unsigned long value = 0;
    if (!readWhole(text, low, 1000000, value))
        throw std::invalid_argument(option + " wants a whole number from " + std::to_string(low) + ": \"" + text + "\"");
    return int(value);
}

}  // namespace

BenchOptions parseBenchOptions(const std::vector<std::string>& args) {
    BenchOptions options;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        auto value = [&]() -> const std::string& {
            if (k + 1 >= args.size()) throw std::invalid_argument(arg + " wants a value");
            return args[++k];
        };
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--res") {
            options.grids.clear();
            for (const std::string& part : splitAtCommas(value())) options.grids.push_back(readGrid(part));
            if (options.grids.empty()) throw std::invalid_argument("--res wants at least one grid size");
        } else if (arg == "--solvers") {
            options.solvers = splitAtCommas(value());
            if (options.solvers.empty()) throw std::invalid_argument("--solvers wants at least one name");
        } else if (arg == "--threads") {
            for (const std::string& part : splitAtCommas(value())) {
                unsigned long n = 0;
                if (!readWhole(part, 1, 256, n)) throw std::invalid_argument("--threads wants counts from 1 to 256: \"" + part + "\"");
                options.threads.push_back(unsigned(n));
            }
            if (options.threads.empty()) throw std::invalid_argument("--threads wants at least one count");
        } else if (arg == "--stages") {
            options.stages = true;
        } else if (arg == "--warmup") {
            options.warmupSteps = readCount(arg, value(), 0);
        } else if (arg == "--steps") {
            options.minSteps = readCount(arg, value(), 1);
        } else if (arg == "--seconds") {
            options.minSeconds = readSeconds(value());
        } else {
            throw std::invalid_argument("unknown argument \"" + arg + "\"");
        }
    }
    return options;
}

std::string benchUsage() {
    return "usage: smoke-bench [--res LIST] [--solvers LIST] [--threads LIST] [--stages] [--steps N] [--seconds S]\n"
           "                   [--warmup N] [--json]\n"
           "\n"
           "Times the whole application step (a pour at the centre, two strokes, applyVorticity,\n"
           "step, clearSources) and, separately, draw, for each solver and grid size.\n"
           "\n"
           "  --res LIST      grid sizes, N or IxJ, separated by commas (default 64,201,512,1024)\n"
           "  --solvers LIST  solvers by name, separated by commas (default: all but cpu-sse2)\n"
           "  --threads LIST  the software solvers' thread counts, separated by commas (default: the\n"
           "                  processors this process may use, or SMOKE_THREADS)\n"
           "  --stages        also the milliseconds of each stage of the software solvers' step\n"
           "  --steps N       timed runs of each measurement, at least (default 20)\n"
           "  --seconds S     and at least this long, in seconds (default 1)\n"
           "  --warmup N      untimed steps before timing (default 3)\n"
           "  --json          print JSON instead of a table\n";
}
