#include "cli/StdoutToStderr.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

StdoutToStderr::StdoutToStderr() {
    std::cout.flush();
    std::fflush(stdout);
    mSaved = dup(STDOUT_FILENO);
    if (mSaved >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
}

StdoutToStderr::~StdoutToStderr() {
    std::cout.flush();
    std::fflush(stdout);
    if (mSaved < 0) return;
    dup2(mSaved, STDOUT_FILENO);
    close(mSaved);
}
