#include "tools/render/PartFile.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

// The parts open now, where a signal handler can reach them without allocating: a
// film and a picture (with --solver both, one of three) at most.
struct Slot {
    char path[4096];
    volatile std::sig_atomic_t pending;
};
constexpr int SLOTS = 4;
Slot slots[SLOTS];
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void removePartsAndEnd(int signal) {
    for (Slot& slot : slots)
        if (slot.pending) unlink(slot.path);
    raise(signal);  // the handler is gone now: the program ends as the signal ends it
}

bool anyPending() {
    for (const Slot& slot : slots)
        if (slot.pending) return true;
    return false;
}

int guard(const std::string& path) {
    if (path.size() >= sizeof slots[0].path) throw std::runtime_error("the path is too long: " + path);
    for (int k = 0; k < SLOTS; ++k) {
        if (slots[k].pending) continue;
        std::memcpy(slots[k].path, path.c_str(), path.size() + 1);
        slots[k].pending = 1;
        struct sigaction action {};
        action.sa_handler = removePartsAndEnd;
        action.sa_flags = SA_RESETHAND;
        for (int signal : ENDING_SIGNALS) sigaction(signal, &action, nullptr);
        return k;
    }
    throw std::runtime_error("more files half-written at once than can be guarded: " + path);
}

void release(int slot) {
    slots[slot].pending = 0;
    if (!anyPending())
        for (int signal : ENDING_SIGNALS) std::signal(signal, SIG_DFL);
}

}  // namespace

PartFile::PartFile(std::string finalPath)
    : mFinalPath(std::move(finalPath)), mPath(mFinalPath + ".part"), mSlot(guard(mPath)) {}

PartFile::~PartFile() {
    if (!mCommitted) std::remove(mPath.c_str());
    release(mSlot);
}

void PartFile::commit() {
    if (std::rename(mPath.c_str(), mFinalPath.c_str()) != 0)
        throw std::runtime_error("cannot write " + mFinalPath + ": " + std::strerror(errno));
    mCommitted = true;
}
