#pragma once
// The command-line conventions the three programs share, on top of CLI11: -h and
// --help print the help on standard output, --version prints "NAME VERSION", and both
// end the program with status 0; "--opt value" and "--opt=value" are the same; a
// mistake prints "NAME: what is wrong" and the usage line on standard error and ends
// the program with status 2.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

constexpr int EXIT_BAD_COMMAND_LINE = 2;

// The project's version: the one number of the build's project() line.
const char* smokeVersion();

// Gives `app` the shared help and version options and the shared help layout.
void useConventions(CLI::App& app);

// Reads the command line into what `app` binds. Nothing: the program goes on. A
// status: help, the version or a mistake has been printed and the program ends
// with that status.
std::optional<int> readCommandLine(CLI::App& app, int argc, const char* const* argv);

// An option whose value `read` takes in (true) or refuses (false); a refusal is a
// mistake that names what was `expected`. Every number goes through sim/Numbers.h
// this way rather than through CLI11's own conversions.
CLI::Option* addReadOption(CLI::App& app, const std::string& name, const std::string& help,
                           const std::string& valueName, const std::string& expected,
                           std::function<bool(const std::string&)> read);

// The same for a comma-separated list, given to `read` whole.
CLI::Option* addListOption(CLI::App& app, const std::string& name, const std::string& help,
                           const std::string& valueName, const std::string& expected,
                           std::function<bool(const std::vector<std::string>&)> read);
