#pragma once
// A session written down as a scenario while it happens, so that smoke-render replays
// it step for step. Every line reaches the file as soon as it is written: a program
// that is killed leaves a scenario that replays up to its last whole step.

#include <cstdint>
#include <string>

#include "sim/Geometry.h"
#include "scenario/Scenario.h"

class ScenarioRecording {
public:
    // Creates the file (or empties it) and writes its first line. Throws
    // std::runtime_error("cannot record to PATH: why") when it cannot.
    explicit ScenarioRecording(const std::string& path);
    ~ScenarioRecording();
    ScenarioRecording(const ScenarioRecording&) = delete;
    ScenarioRecording& operator=(const ScenarioRecording&) = delete;

    // The settings of `settings` (settingLines), before anything else happens.
    void settings(const Scenario& settings);
    // One step of exactly `seconds`, pouring into `pourCell` when it is valid.
    void step(double seconds, CellCoord pourCell);
    // A committed stroke between the centres of two cells.
    void stroke(CellCoord from, CellCoord to);
    void clearStrokes();
    void reset();
    // 'd', 'a' or 'p'.
    void toggle(char stage);
    void picture();

    // Removes the file: the session never started.
    void discard();

    // False once a write has failed; nothing more is written then.
    bool writing() const { return mFd >= 0; }

private:
    std::string mPath;
    int mFd = -1;
    uint64_t mSteps = 0;
    uint64_t mWhole = 0;  // bytes of the file that are whole lines

    void write(const std::string& line);
};

// The shortest decimal text that reads back (strtod) to exactly `seconds`.
std::string exactSeconds(double seconds);
