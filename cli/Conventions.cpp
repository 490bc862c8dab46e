#include "cli/Conventions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <iostream>

const char* smokeVersion() { return SMOKE_VERSION; }

namespace {

// The first word of the command line that looks like an option and is none of `app`'s;
// empty when there is none. A lone "-" and negative numbers are values, and so is the
// word after an option that takes one.
std::string unknownOption(const CLI::App& app, int argc, const char* const* argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string word = argv[k];
        if (word == "--") break;
        if (word.size() < 2 || word[0] != '-' || std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.')
            continue;
        const std::string name = word.substr(0, word.find('='));
        const CLI::Option* option = app.get_option_no_throw(name);
        if (!option) return name;
        if (option->get_items_expected_max() > 0 && name.size() == word.size()) ++k;
    }
    return {};
}

// What a mistyped option most likely meant: the option it begins with, or that
// begins with it.
std::string likelyMeant(const CLI::App& app, const std::string& unknown) {
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) {
            const std::string known = "--" + name;
            if (unknown.size() > 3 && (known.rfind(unknown, 0) == 0 || unknown.rfind(known, 0) == 0)) return known;
        }
    return {};
}

}  // namespace

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
        // CLI11 blames whatever word it could not place, often a later argument: name
        // the option nobody knows instead.
        std::string what = mistake.what();
        if (const std::string unknown = unknownOption(app, argc, argv); !unknown.empty()) {
            const std::string meant = likelyMeant(app, unknown);
            what = "unknown option " + unknown + (meant.empty() ? "" : " (did you mean " + meant + "?)");
        }
        std::cerr << app.get_name() << ": " << what << "\n"
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
