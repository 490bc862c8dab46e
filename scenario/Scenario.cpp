#include "scenario/Scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

#include "sim/Limits.h"
#include "sim/Numbers.h"

namespace {

using Args = std::vector<std::string>;

constexpr size_t MAX_NAME_LENGTH = 64;
constexpr size_t MAX_LINE_BYTES = 4096;

// The words of a line, without its comment. A recording has millions of lines, so this
// is a plain scan rather than a stream per line.
Args wordsOf(const std::string& line) {
    Args words;
    const size_t end = std::min(line.find('#'), line.size());
    for (size_t at = 0; at < end;) {
        while (at < end && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        size_t stop = at;
        while (stop < end && !std::isspace(static_cast<unsigned char>(line[stop]))) ++stop;
        if (stop > at) words.push_back(line.substr(at, stop - at));
        at = stop;
    }
    return words;
}

std::string joined(const Args& words) {
    std::string s;
    for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
    return s;
}

// A file's text as a message may show it: bytes that are not printable ASCII as \xNN,
// so that no escape sequence of a careless or hostile file reaches the terminal, and
// cut short after a line's worth.
std::string shown(const std::string& text) {
    constexpr size_t MAX_SHOWN = 80;
    std::string s;
    for (size_t k = 0; k < text.size() && k < MAX_SHOWN; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        if (c >= 0x20 && c < 0x7f) {
            s += char(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        s += escaped;
    }
    return text.size() > MAX_SHOWN ? s + "..." : s;
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
bool readCell(const std::string& text, uint32_t& value) {
    return readWholeNumber(text, 0, LARGEST_WHOLE_NUMBER, value);
}

bool parseStroke(const Args& a, Action& act) {
    if (a.size() == 5 && a[0] == "cells") {
        act.inCells = true;
        for (size_t k = 0; k < 4; ++k)
            if (!readCell(a[k + 1], act.cells[k])) return false;
        return true;
    }
    return a.size() == 4 && readPosition(a[0], a[1], act.from) && readPosition(a[2], a[3], act.to);
}
// One step of its own length, which may be 0 (a frame that took no measurable time);
// with a cell, the left button is held over it.
bool parseTimedStep(const Args& a, Action& act) {
    if (a.size() != 1 && a.size() != 3) return false;
    if (!readNumber(a[0], act.seconds) || !isValidStepLength(act.seconds)) return false;
    act.inCells = a.size() == 3;
    return !act.inCells || (readCell(a[1], act.cells[0]) && readCell(a[2], act.cells[1]));
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
        {"stroke",
         {ActionKind::Stroke,
          {"stroke X1 Y1 X2 Y2' or 'stroke cells I1 J1 I2 J2", "X and Y from 0 to 1, I and J whole numbers"},
          parseStroke}},
        {"step",
         {ActionKind::TimedSteps,
          {"step SECONDS [I J]", "SECONDS a number from 0 to 1e+30, I and J whole numbers"},
          parseTimedStep}},
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
const Usage SOLID_USAGE{"solid circle X Y R' or 'solid box X1 Y1 X2 Y2",
                        "finite numbers in world coordinates, R above 0"};
const Usage PROJECTION_USAGE{"projection converged|specified", ""};
const char* const KNOWN_WORDS =
    "grid, solver, projection, solid, dt, pour, stroke, step, clear, toggle, reset, run, picture";
// A file that is not a scenario at all has an error on every line; the first few say
// enough, and the rest are counted.
constexpr size_t MAX_REPORTED_ERRORS = 5;
// What an editor may put before the first line; no word of the language starts with it.
const std::string BYTE_ORDER_MARK = "\xef\xbb\xbf";

// A number that stays finite as the float a position is kept in.
bool readFinite(const std::string& text, float& value) {
    double v;
    if (!readNumber(text, v) || !std::isfinite(float(v))) return false;
    value = float(v);
    return true;
}

bool parseSolid(const Args& a, std::vector<SolidShape>& solids) {
    Vec2 p, q;
    float r;
    if (a.size() == 4 && a[0] == "circle" && readFinite(a[1], p.x) && readFinite(a[2], p.y) && readFinite(a[3], r) &&
        r > 0.0f) {
        solids.push_back(SolidShape::circle(p, r));
        return true;
    }
    if (a.size() == 5 && a[0] == "box" && readFinite(a[1], p.x) && readFinite(a[2], p.y) && readFinite(a[3], q.x) &&
        readFinite(a[4], q.y)) {
        solids.push_back(SolidShape::box(p, q));
        return true;
    }
    return false;
}

bool parseGrid(const Args& a, Scenario& s) {
    if (a.size() == 1 && readWholeNumber(a[0], 1, LARGEST_WHOLE_NUMBER, s.resI)) {
        s.resJ = s.resI;
        return true;
    }
    return a.size() == 2 && readWholeNumber(a[0], 1, LARGEST_WHOLE_NUMBER, s.resI) &&
           readWholeNumber(a[1], 1, LARGEST_WHOLE_NUMBER, s.resJ);
}

bool parseSolver(const Args& a, Scenario& s) { return a.size() == 1 && readSolverWord(a[0], s.solver); }

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
        // Named, rather than reported as an unknown word that looks like the first one.
        const bool marked = number == 1 && text.rfind(BYTE_ORDER_MARK, 0) == 0;
        if (marked) fail(number, "the file starts with a UTF-8 byte-order mark (bytes EF BB BF); save it without one");
        const Args words = wordsOf(marked ? text.substr(BYTE_ORDER_MARK.size()) : text);
        if (words.empty()) return;
        const std::string& keyword = words[0];
        const Args args(words.begin() + 1, words.end());
        if (settingSyntax().count(keyword)) {
            setting(number, words, args);
            return;
        }
        if (keyword == "solid") {
            solid(number, words, args);
            return;
        }
        const auto syntax = actionSyntax().find(keyword);
        if (syntax == actionSyntax().end()) {
            fail(number, "unknown action '" + shown(keyword) + "'; expected one of " + KNOWN_WORDS);
            return;
        }
        Action act;
        act.kind = syntax->second.kind;
        act.line = number;
        if (!syntax->second.parse(args, act)) {
            expected(number, syntax->second.usage, words);
            return;
        }
        if (act.inCells && !(act.kind == ActionKind::TimedSteps ? isPourCell(act) : isStrokeCell(act))) return;
        if (act.kind == ActionKind::Picture) namePicture(act);
        if (act.kind == ActionKind::TimedSteps) {
            addTimedStep(act);
            return;
        }
        result.scenario.actions.push_back(act);
    }

    // Called after the last line.
    ParsedScenario finish() {
        if (mUnreported > 0)
            result.errors.push_back({0, "and " + std::to_string(mUnreported) + " more lines that do not fit"});
        return std::move(result);
    }

private:
    std::map<std::string, int> mSettingLines;
    std::map<std::string, int> mPictureLines;
    uint64_t mUnreported = 0;

    void fail(int number, const std::string& message) {
        if (result.errors.size() < MAX_REPORTED_ERRORS)
            result.errors.push_back({number, message});
        else
            ++mUnreported;
    }

    // Cells name places on this grid: the window pours into cells 1 to N + 1 (the
    // last pixel row and column map to the border cell), and a stroke's end can also
    // lie on the border cell 0, where a drag that leaves the window ends.
    bool cellFits(const Action& act, uint32_t i, uint32_t j, uint32_t lowest, const char* what) {
        const Scenario& s = result.scenario;
        if (i >= lowest && j >= lowest && i <= s.resI + 1 && j <= s.resJ + 1) {
            if (result.scenario.firstCellLine == 0) result.scenario.firstCellLine = act.line;
            return true;
        }
        fail(act.line, "cell (" + std::to_string(i) + ", " + std::to_string(j) + ") is not on the " +
                           std::to_string(s.resI) + " by " + std::to_string(s.resJ) + " grid: " + what + " cells " +
                           std::to_string(lowest) + " to " + std::to_string(s.resI + 1) + " across and " +
                           std::to_string(lowest) + " to " + std::to_string(s.resJ + 1) + " up");
        return false;
    }
    bool isPourCell(const Action& act) { return cellFits(act, act.cells[0], act.cells[1], 1, "pours reach"); }
    bool isStrokeCell(const Action& act) {
        return cellFits(act, act.cells[0], act.cells[1], 0, "strokes end on") &&
               cellFits(act, act.cells[2], act.cells[3], 0, "strokes end on");
    }

    // Consecutive steps are one action, so a recording's millions of steps take 16 bytes each.
    void addTimedStep(const Action& act) {
        Scenario& s = result.scenario;
        s.timedSteps.push_back({act.seconds, act.cells[0], act.cells[1]});
        Action* last = s.actions.empty() ? nullptr : &s.actions.back();
        if (last && last->kind == ActionKind::TimedSteps && last->steps < MAX_STEPS) {
            last->steps += 1;
            return;
        }
        Action run = act;
        run.firstStep = s.timedSteps.size() - 1;
        run.steps = 1;
        s.actions.push_back(run);
    }

    void expected(int number, const Usage& usage, const Args& words) {
        const std::string detail = *usage.detail ? std::string(" (") + usage.detail + ")" : "";
        fail(number, std::string("expected '") + usage.form + "'" + detail + ", got '" + shown(joined(words)) + "'");
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

    // Solids are in place before the first step, like the grid they are cut from.
    void solid(int number, const Args& words, const Args& args) {
        if (!result.scenario.actions.empty()) {
            fail(number, "'solid' must come before the first action (line " +
                             std::to_string(result.scenario.actions.front().line) + ")");
        } else if (!parseSolid(args, result.scenario.solids)) {
            expected(number, SOLID_USAGE, words);
        }
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
        if (a.kind == ActionKind::Pour || a.kind == ActionKind::Run || a.kind == ActionKind::TimedSteps) n += a.steps;
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
    return parser.finish();
}

const char* solverWord(SolverChoice solver) {
    switch (solver) {
        case SolverChoice::Software: return "cpu";
        case SolverChoice::Shader: return "gpu";
        case SolverChoice::Both: return "both";
    }
    return "";
}

bool readSolverWord(const std::string& word, SolverChoice& solver) {
    for (SolverChoice c : {SolverChoice::Software, SolverChoice::Shader, SolverChoice::Both}) {
        if (word != solverWord(c)) continue;
        solver = c;
        return true;
    }
    return false;
}

std::string settingLines(const Scenario& settings) {
    std::string lines = "grid " + std::to_string(settings.resI) + " " + std::to_string(settings.resJ) + "\nsolver " +
                        solverWord(settings.solver) + "\n";
    if (settings.projection != ProjectionMode::FixedSweeps)
        lines += std::string("projection ") + projectionModeName(settings.projection) + "\n";
    // Nine digits give back each float exactly.
    auto number = [](float v) {
        char text[32];
        std::snprintf(text, sizeof text, " %.9g", double(v));
        return std::string(text);
    };
    for (const SolidShape& s : settings.solids)
        lines +=
            s.kind == SolidShape::Kind::Circle
                ? "solid circle" + number(s.centre.x) + number(s.centre.y) + number(s.radius) + "\n"
                : "solid box" + number(s.lower.x) + number(s.lower.y) + number(s.upper.x) + number(s.upper.y) + "\n";
    return lines;
}

std::string runRefusal(const Scenario& scenario) {
    const std::string shape = gridShapeRefusal(scenario.resI, scenario.resJ);
    if (!shape.empty()) return shape;
    // Every step costs something however small the grid: counting cells alone would
    // let a one-cell grid run for years.
    const bool software = scenario.solver != SolverChoice::Shader;
    const bool shader = scenario.solver != SolverChoice::Software;
    const double cellSeconds = double(scenario.resI) * double(scenario.resJ) * CELL_UPDATE_SECONDS;
    const double fixedSeconds = (software ? SOFTWARE_STEP_SECONDS : 0.0) + (shader ? SHADER_STEP_SECONDS : 0.0);
    const double stepSeconds = fixedSeconds + (software && shader ? 2.0 : 1.0) * cellSeconds;
    const double days = double(scenario.totalSteps()) * stepSeconds / 86400.0;
    if (days <= MAX_RUN_DAYS) return "";
    const char* solvers = software && shader ? "both solvers" : software ? "the software solver" : "the shader solver";
    char text[400];
    std::snprintf(text, sizeof text,
                  "%llu steps of a %u by %u grid on %s would take some %.3g days (an estimated %.3g ms a step: %g "
                  "ns a cell update, and %g ms a step whatever the grid), more than the %g days a run may take",
                  static_cast<unsigned long long>(scenario.totalSteps()), unsigned(scenario.resI),
                  unsigned(scenario.resJ), solvers, days, stepSeconds * 1e3, CELL_UPDATE_SECONDS * 1e9,
                  fixedSeconds * 1e3, MAX_RUN_DAYS);
    return text;
}

std::string describeErrors(const std::string& sourceName, const std::vector<ScenarioError>& errors) {
    std::string text;
    for (const ScenarioError& e : errors)
        text += (e.line == 0 ? "" : sourceName + ":" + std::to_string(e.line) + ": ") + e.message + "\n";
    return text;
}

namespace {

std::string tooLarge() {
    return "larger than " + std::to_string(MAX_SCENARIO_BYTES >> 20) + " MiB, more than ten million steps";
}

// Hands every line that ends within [at, end) to the parser; `line` holds the start of
// a line still open, `number` counts the lines.
void feedLines(const char* at, const char* end, std::string& line, int& number, Parser& parser) {
    while (at < end) {
        const char* newline = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        // No line of a scenario is anywhere near this long; the rest of one is not kept.
        const size_t room = MAX_LINE_BYTES - std::min(line.size(), MAX_LINE_BYTES);
        line.append(at, std::min(size_t((newline ? newline : end) - at), room));
        if (!newline) return;
        parser.line(++number, line);
        line.clear();
        at = newline + 1;
    }
}

// Why the file cannot be a scenario, or "" once every line of it has gone to `parser`.
// Opened without blocking, so that a pipe with no writer is refused rather than waited
// on; only regular files are read. Read in pieces, as a recording can be large.
std::string readScenarioFile(const std::string& path, Parser& parser) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    std::string why;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        why = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        why = "it is a folder";
    } else if (!S_ISREG(info.st_mode)) {
        why = "not a regular file";
    } else if (uint64_t(info.st_size) > MAX_SCENARIO_BYTES) {
        why = tooLarge();
    } else {
        std::vector<char> piece(1 << 20);
        std::string line;
        uint64_t total = 0;
        int number = 0;
        while (why.empty()) {
            const ssize_t n = read(fd, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) why = std::strerror(errno);
            if (n <= 0) break;
            total += uint64_t(n);
            if (total > MAX_SCENARIO_BYTES) {  // it grew while being read
                why = tooLarge();
                break;
            }
            feedLines(piece.data(), piece.data() + n, line, number, parser);
        }
        if (why.empty() && !line.empty()) parser.line(++number, line);
    }
    close(fd);
    return why;
}

}  // namespace

ParsedScenario loadScenario(const std::string& path) {
    Parser parser;
    const std::string why = readScenarioFile(path, parser);
    if (why.empty()) return parser.finish();
    ParsedScenario failed;
    failed.errors.push_back({0, "cannot read " + path + ": " + why});
    return failed;
}
