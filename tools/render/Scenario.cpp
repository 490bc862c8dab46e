#include "tools/render/Scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

#include "sim/Limits.h"
#include "tools/cli/Numbers.h"

namespace {

using Args = std::vector<std::string>;

constexpr size_t MAX_NAME_LENGTH = 64;

// The words of a line, without its comment.
Args wordsOf(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    Args words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string joined(const Args& words) {
    std::string s;
    for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
    return s;
}

// A world coordinate: positions outside the unit square are not on the picture.
bool readCoordinate(const std::string& text, float& value) {
    double v;
    if (!readNumber(text, v) || v < 0.0 || v > 1.0) return false;
    value = float(v);
    return true;
}

bool readPosition(const std::string& x, const std::string& y, Vec2& p) {
    return readCoordinate(x, p.x) && readCoordinate(y, p.y);
}

bool readSteps(const std::string& text, uint32_t& steps) { return readWholeNumber(text, 1, MAX_STEPS, steps); }

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Names become file names: only characters that cannot leave the output folder.
bool isPictureName(const std::string& name) {
    if (name.empty() || name.size() > MAX_NAME_LENGTH || name.rfind(FRAME_PREFIX, 0) == 0) return false;
    for (char c : name)
        if (!isNameCharacter(c)) return false;
    return true;
}

// ---- one parse function per action ------------------------------------------

bool parseStepLength(const Args& a, Action& act) {
    return a.size() == 1 && readNumber(a[0], act.seconds) && act.seconds > 0.0 && isValidStepLength(act.seconds);
}

std::string stepLengthDetail() {
    char text[64];
    std::snprintf(text, sizeof text, "SECONDS a number above 0, at most %g", MAX_STEP_SECONDS);
    return text;
}
bool parsePour(const Args& a, Action& act) {
    return a.size() == 3 && readPosition(a[0], a[1], act.from) && readSteps(a[2], act.steps);
}
bool parseStroke(const Args& a, Action& act) {
    return a.size() == 4 && readPosition(a[0], a[1], act.from) && readPosition(a[2], a[3], act.to);
}
bool parseClearStrokes(const Args& a, Action&) { return a.size() == 1 && a[0] == "strokes"; }
bool parseToggle(const Args& a, Action& act) {
    if (a.size() != 1 || a[0].size() != 1) return false;
    act.stage = char(a[0][0] | 0x20);  // D and d are the same key
    return act.stage == 'd' || act.stage == 'a' || act.stage == 'p';
}
bool parseReset(const Args& a, Action&) { return a.empty(); }
bool parseRun(const Args& a, Action& act) { return a.size() == 1 && readSteps(a[0], act.steps); }
bool parsePicture(const Args& a, Action& act) {
    if (a.empty()) return true;  // named later, by its place among the pictures
    act.name = a[0];
    return a.size() == 1 && isPictureName(a[0]);
}

// How a line must look, for the message when it does not.
struct Usage {
    const char* form;
    const char* detail;  // what the words must be; empty when there are none
};

struct Syntax {
    ActionKind kind;
    Usage usage;
    bool (*parse)(const Args&, Action&);
};

const std::map<std::string, Syntax>& actionSyntax() {
    static const std::string stepDetail = stepLengthDetail();
    static const std::map<std::string, Syntax> table{
        {"dt", {ActionKind::StepLength, {"dt SECONDS", stepDetail.c_str()}, parseStepLength}},
        {"pour",
         {ActionKind::Pour,
          {"pour X Y STEPS", "X and Y from 0 to 1, STEPS a whole number from 1 to 1000000"},
          parsePour}},
        {"stroke", {ActionKind::Stroke, {"stroke X1 Y1 X2 Y2", "each from 0 to 1"}, parseStroke}},
        {"clear", {ActionKind::ClearStrokes, {"clear strokes", ""}, parseClearStrokes}},
        {"toggle", {ActionKind::Toggle, {"toggle d|a|p", "diffusion, advection or projection"}, parseToggle}},
        {"reset", {ActionKind::Reset, {"reset", ""}, parseReset}},
        {"run", {ActionKind::Run, {"run STEPS", "STEPS a whole number from 1 to 1000000"}, parseRun}},
        {"picture",
         {ActionKind::Picture,
          {"picture [NAME]", "NAME up to 64 letters, digits, '-' or '_', not starting with 'frame-'"},
          parsePicture}},
    };
    return table;
}

const Usage GRID_USAGE{"grid N' or 'grid I J", "whole numbers from 1, up to 4094 for the shader solver"};
const Usage SOLVER_USAGE{"solver cpu|gpu|both", ""};
const Usage PROJECTION_USAGE{"projection converged|specified", ""};
const char* const KNOWN_WORDS = "grid, solver, projection, dt, pour, stroke, clear, toggle, reset, run, picture";

bool parseGrid(const Args& a, Scenario& s) {
    if (a.size() == 1 && readWholeNumber(a[0], 1, LARGEST_WHOLE_NUMBER, s.resI)) {
        s.resJ = s.resI;
        return true;
    }
    return a.size() == 2 && readWholeNumber(a[0], 1, LARGEST_WHOLE_NUMBER, s.resI) &&
           readWholeNumber(a[1], 1, LARGEST_WHOLE_NUMBER, s.resJ);
}

bool parseSolver(const Args& a, Scenario& s) {
    if (a.size() != 1) return false;
    const std::map<std::string, SolverChoice> names{
        {"cpu", SolverChoice::Software}, {"gpu", SolverChoice::Shader}, {"both", SolverChoice::Both}};
    const auto found = names.find(a[0]);
    if (found == names.end()) return false;
    s.solver = found->second;
    return true;
}

bool parseProjection(const Args& a, Scenario& s) {
    const std::optional<ProjectionMode> mode = a.size() == 1 ? projectionModeNamed(a[0]) : std::nullopt;
    if (mode) s.projection = *mode;
    return mode.has_value();
}

// The lines that make the simulation, before any action.
struct Setting {
    const Usage* usage;
    bool (*parse)(const Args&, Scenario&);
};

const std::map<std::string, Setting>& settingSyntax() {
    static const std::map<std::string, Setting> table{
        {"grid", {&GRID_USAGE, parseGrid}},
        {"solver", {&SOLVER_USAGE, parseSolver}},
        {"projection", {&PROJECTION_USAGE, parseProjection}},
    };
    return table;
}

class Parser {
public:
    ParsedScenario result;

    void line(int number, const std::string& text) {
        const Args words = wordsOf(text);
        if (words.empty()) return;
        const std::string& keyword = words[0];
        const Args args(words.begin() + 1, words.end());
        if (settingSyntax().count(keyword)) {
            setting(number, words, args);
            return;
        }
        const auto syntax = actionSyntax().find(keyword);
        if (syntax == actionSyntax().end()) {
            fail(number, "unknown action '" + keyword + "'; expected one of " + KNOWN_WORDS);
            return;
        }
        Action act;
        act.kind = syntax->second.kind;
        act.line = number;
        if (!syntax->second.parse(args, act)) {
            expected(number, syntax->second.usage, words);
            return;
        }
        if (act.kind == ActionKind::Picture) namePicture(act);
        result.scenario.actions.push_back(act);
    }

private:
    std::map<std::string, int> mSettingLines;
    std::map<std::string, int> mPictureLines;

    void fail(int number, const std::string& message) { result.errors.push_back({number, message}); }

    void expected(int number, const Usage& usage, const Args& words) {
        const std::string detail = *usage.detail ? std::string(" (") + usage.detail + ")" : "";
        fail(number, std::string("expected '") + usage.form + "'" + detail + ", got '" + joined(words) + "'");
    }

    // The grid, the solver and its projection make the simulation, so they are fixed
    // before anything happens to it.
    void setting(int number, const Args& words, const Args& args) {
        const std::string& keyword = words[0];
        const Setting& syntax = settingSyntax().at(keyword);
        const auto earlier = mSettingLines.find(keyword);
        if (earlier != mSettingLines.end()) {
            fail(number, "'" + keyword + "' is already set on line " + std::to_string(earlier->second));
        } else if (!result.scenario.actions.empty()) {
            fail(number, "'" + keyword + "' must come before the first action (line " +
                             std::to_string(result.scenario.actions.front().line) + ")");
        } else if (!syntax.parse(args, result.scenario)) {
            expected(number, *syntax.usage, words);
        }
        mSettingLines.emplace(keyword, number);
    }

    // Two pictures of one name would overwrite each other's file.
    void namePicture(Action& act) {
        if (act.name.empty()) act.name = "picture-" + std::to_string(mPictureLines.size() + 1);
        const auto taken = mPictureLines.emplace(act.name, act.line);
        if (!taken.second)
            fail(act.line,
                 "picture name '" + act.name + "' is already used on line " + std::to_string(taken.first->second));
    }
};

}  // namespace

uint64_t Scenario::totalSteps() const {
    uint64_t n = 0;
    for (const Action& a : actions)
        if (a.kind == ActionKind::Pour || a.kind == ActionKind::Run) n += a.steps;
    return n;
}

size_t Scenario::pictureCount() const {
    size_t n = 0;
    for (const Action& a : actions) n += a.kind == ActionKind::Picture ? 1 : 0;
    return n;
}

ParsedScenario parseScenario(const std::string& text) {
    Parser parser;
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) parser.line(++number, line);
    return parser.result;
}

std::string runRefusal(const Scenario& scenario) {
    const std::string shape = gridShapeRefusal(scenario.resI, scenario.resJ);
    if (!shape.empty()) return shape;
    const double solvers = scenario.solver == SolverChoice::Both ? 2.0 : 1.0;
    const double updates = double(scenario.resI) * double(scenario.resJ) * double(scenario.totalSteps()) * solvers;
    if (updates <= MAX_CELL_UPDATES) return "";
    char text[200];
    std::snprintf(text, sizeof text,
                  "%llu steps of a %u by %u grid%s are %.3g cell updates, more than the %g that finish within days",
                  static_cast<unsigned long long>(scenario.totalSteps()), unsigned(scenario.resI),
                  unsigned(scenario.resJ), solvers > 1.0 ? " on two solvers" : "", updates, MAX_CELL_UPDATES);
    return text;
}

std::string describeErrors(const std::string& sourceName, const std::vector<ScenarioError>& errors) {
    std::string text;
    for (const ScenarioError& e : errors)
        text += (e.line == 0 ? "" : sourceName + ":" + std::to_string(e.line) + ": ") + e.message + "\n";
    return text;
}

namespace {

// The whole file, or why it cannot be a scenario. Opened without blocking, so that a
// pipe with no writer is refused rather than waited on; only regular files are read.
bool readScenarioFile(const std::string& path, std::string& text, std::string& why) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        why = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        why = "it is a folder";
    } else if (!S_ISREG(info.st_mode)) {
        why = "not a regular file";
    } else {
        // Reading one byte more than allowed tells a file too large without reading it all.
        text.resize(MAX_SCENARIO_BYTES + 1);
        size_t got = 0;
        while (why.empty() && got < text.size()) {
            const ssize_t n = read(fd, &text[got], text.size() - got);
            if (n > 0)
                got += size_t(n);
            else if (n == 0)
                break;
            else if (errno != EINTR)
                why = std::strerror(errno);
        }
        text.resize(got);
        if (why.empty() && got > MAX_SCENARIO_BYTES)
            why = "larger than " + std::to_string(MAX_SCENARIO_BYTES / 1024) + " KiB, far more than a scenario needs";
    }
    close(fd);
    return why.empty();
}

}  // namespace

ParsedScenario loadScenario(const std::string& path) {
    std::string text, why;
    if (!readScenarioFile(path, text, why)) {
        ParsedScenario failed;
        failed.errors.push_back({0, "cannot read " + path + ": " + why});
        return failed;
    }
    return parseScenario(text);
}
