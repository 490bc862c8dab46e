#pragma once
// While it lives, whatever the process writes to standard output goes to standard
// error. The solvers report on standard output (the shader solver its programs and
// first steps), which in smoke-render and smoke-bench carries their results alone.
class StdoutToStderr {
public:
    StdoutToStderr();
    ~StdoutToStderr();
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

private:
    int mSaved = -1;
};
