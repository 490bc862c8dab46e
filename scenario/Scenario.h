#pragma once
// A scenario: what a person does with the mouse and keys, written down one action a
// line so that it can be replayed without a window. Parsing knows nothing of OpenGL
// or of the solvers; it only checks that every line means something.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/Geometry.h"
#include "sim/Solids.h"
#include "sim/ProjectionMode.h"

enum class SolverChoice { Software, Shader, Both };

enum class ActionKind {
    StepLength,    // dt SECONDS
    Pour,          // pour X Y STEPS: left button held at (X, Y) for STEPS steps
    Stroke,        // stroke X1 Y1 X2 Y2: a committed right-button drag
    ClearStrokes,  // clear strokes
    Toggle,        // toggle d|a|p
    Reset,         // reset: the fields only, strokes stay (the lower-case r key)
    Run,           // run STEPS
    Picture,       // picture [NAME]
    TimedSteps,    // consecutive 'step SECONDS [I J]' lines: steps of their own lengths
};

// One step of a recorded session: its exact length and the cell poured into, if any.
struct TimedStep {
    double seconds;
    uint32_t pourI;  // 0: no pour (the window pours only into cells from 1 up)
    uint32_t pourJ;
};

struct Action {
    ActionKind kind = ActionKind::Run;
    int line = 0;                      // where it was written, for messages
    Vec2 from{0, 0};                   // pour position, or the start of a stroke
    Vec2 to{0, 0};                     // the end of a stroke
    uint32_t steps = 0;                // pour, run and timed steps
    uint64_t firstStep = 0;            // timed steps: where they start in Scenario::timedSteps
    bool inCells = false;              // stroke: the ends are the centres of these cells; timed step: it pours
    uint32_t cells[4] = {0, 0, 0, 0};  // stroke in cells: I1 J1 I2 J2; timed step: the pour's I J
    double seconds = 0.0;              // dt
    char stage = 0;                    // toggle: 'd', 'a' or 'p'
    std::string name;                  // picture: the file name without its extension
};

constexpr uint32_t DEFAULT_GRID = 201;
constexpr uint32_t MAX_STEPS = 1000000;
// A written scenario is a few hundred lines, but a recorded session has a line for every
// step, about 25 bytes: 256 MiB hold ten million steps, three hours at the thousand
// steps a second of a small grid and two days at a display's 60 frames a second. Each
// step is kept in 16 bytes while it replays, 160 MB at the limit.
constexpr uint64_t MAX_SCENARIO_BYTES = uint64_t(256) << 20;
// What a run costs on a modest machine, to refuse one that would not finish within days. The
// software solver updates about 40 million cells a second on a 201 grid and spends
// about a microsecond a step even on a grid of one cell; the shader solver's passes
// and readback cost about a millisecond a step on the software renderer whatever the
// grid, and a graphics card's driver surely a tenth of that (the README's measurements).
constexpr double CELL_UPDATE_SECONDS = 1.0 / 40e6;
constexpr double SOFTWARE_STEP_SECONDS = 1e-6;
constexpr double SHADER_STEP_SECONDS = 1e-4;
constexpr double MAX_RUN_DAYS = 3.0;
// The window steps by its measured frame time, which no file can repeat; this
// length lets poured smoke rise across the domain within a few hundred steps
// without diffusing away first.
constexpr double DEFAULT_STEP_LENGTH = 0.05;
// Numbered frames are written under this prefix, so picture names may not start with it.
inline const char* const FRAME_PREFIX = "frame-";

struct Scenario {
    // The settings: what makes the simulation, fixed before any action.
    uint32_t resI = DEFAULT_GRID;
    uint32_t resJ = DEFAULT_GRID;
    SolverChoice solver = SolverChoice::Software;
    std::vector<SolidShape> solids;  // solid before the first step
    ProjectionMode projection = ProjectionMode::FixedSweeps;
    std::vector<Action> actions;
    std::vector<TimedStep> timedSteps;  // of every TimedSteps action, in order
    int firstCellLine = 0;              // the first line that names cells of this grid; 0: none

    // Steps the whole scenario runs (pours and runs together).
    uint64_t totalSteps() const;
    size_t pictureCount() const;
};

// Why the scenario, with the grid and solver it finally has, must not run: a grid
// whose cells are too elongated for the solvers, or more steps than finish within
// MAX_RUN_DAYS at the costs above. Empty when it may run.
std::string runRefusal(const Scenario& scenario);

struct ScenarioError {
    int line;
    std::string message;
};

struct ParsedScenario {
    Scenario scenario;
    std::vector<ScenarioError> errors;  // every malformed line; the scenario is usable only when empty
    bool ok() const { return errors.empty(); }
};

ParsedScenario parseScenario(const std::string& text);

// The lines that give a scenario `settings`' grid, solver and every other setting, in
// the order they are read: what a recording starts with.
std::string settingLines(const Scenario& settings);

// The words of the scenario language (and of the command line) for a solver: cpu, gpu, both.
const char* solverWord(SolverChoice solver);
bool readSolverWord(const std::string& word, SolverChoice& solver);

// "NAME:LINE: message", one line per error; an error at line 0 is about the whole
// file and is its message alone.
std::string describeErrors(const std::string& sourceName, const std::vector<ScenarioError>& errors);

// Reads and parses the file, line by line. A file that cannot be read, is not a regular
// file or is larger than MAX_SCENARIO_BYTES gives one error at line 0, "cannot read PATH: why".
ParsedScenario loadScenario(const std::string& path);
