#include "tools/cli/Conventions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

const char* smokeVersion() { return SMOKE_VERSION; }

void useConventions(CLI::App& app) {
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", app.get_name() + " " + smokeVersion(), "print the version and exit");
    app.get_formatter()->column_width(28);
    app.get_formatter()->label("REQUIRED", "");
}

std::optional<int> readCommandLine(CLI::App& app, int argc, const char* const* argv) {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << "\n";
    } catch (const CLI::ParseError& mistake) {
        std::string usage = CLI::Formatter().make_usage(&app, app.get_name());
        while (!usage.empty() && usage.back() == '\n') usage.pop_back();
        std::cerr << app.get_name() << ": " << mistake.what() << "\n"
                  << usage << " (" << app.get_name() << " --help tells more)\n";
        return EXIT_BAD_COMMAND_LINE;
    }
    return 0;
}

namespace {

std::string refusal(const std::string& expected, const std::string& got) {
    return "expects " + expected + ", got '" + got + "'";
}

}  // namespace

CLI::Option* addReadOption(CLI::App& app, const std::string& name, const std::string& help,
                           const std::string& valueName, const std::string& expected,
                           std::function<bool(const std::string&)> read) {
    return app
        .add_option_function<std::string>(
            name,
            [name, expected, read](const std::string& text) {
                if (!read(text)) throw CLI::ValidationError(name, refusal(expected, text));
            },
            help)
        ->type_name(valueName);
}

CLI::Option* addListOption(CLI::App& app, const std::string& name, const std::string& help,
                           const std::string& valueName, const std::string& expected,
                           std::function<bool(const std::vector<std::string>&)> read) {
    return addReadOption(app, name, help, valueName, expected, [read](const std::string& text) {
        std::vector<std::string> items;
        for (size_t from = 0; from <= text.size();) {
            const size_t comma = std::min(text.find(',', from), text.size());
            items.push_back(text.substr(from, comma - from));
            from = comma + 1;
        }
        return read(items);
    });
}
