#include "scenario/Recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "cli/Conventions.h"

namespace {

std::string cellText(CellCoord c) { return std::to_string(c.i) + " " + std::to_string(c.j); }

}  // namespace

std::string exactSeconds(double seconds) {
    char text[32];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, seconds);
    return std::string(text, r.ptr);
}

ScenarioRecording::ScenarioRecording(const std::string& path) : mPath(path) {
    mFd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (mFd < 0) throw std::runtime_error("cannot record to " + path + ": " + std::strerror(errno));
    write(std::string("# a session of smoke ") + smokeVersion() +
          ", recorded as it ran; smoke-render replays it (--strokes draws the strokes as the window did)\n");
    if (mFd < 0) throw std::runtime_error("cannot record to " + path + ": " + std::strerror(errno));
}

ScenarioRecording::~ScenarioRecording() {
    if (mFd >= 0) close(mFd);
}

void ScenarioRecording::settings(const Scenario& settings) { write(settingLines(settings)); }

void ScenarioRecording::step(double seconds, CellCoord pourCell) {
    write("step " + exactSeconds(seconds) + (pourCell.valid ? " " + cellText(pourCell) : "") + "\n");
    ++mSteps;
}

void ScenarioRecording::stroke(CellCoord from, CellCoord to) {
    write("stroke cells " + cellText(from) + " " + cellText(to) + "\n");
}

void ScenarioRecording::clearStrokes() { write("clear strokes\n"); }

void ScenarioRecording::reset() { write("reset\n"); }

void ScenarioRecording::toggle(char stage) { write(std::string("toggle ") + stage + "\n"); }

void ScenarioRecording::picture() { write("picture\n"); }

void ScenarioRecording::discard() {
    if (mFd < 0) return;
    struct stat info {};
    // Only a file of its own: a device or pipe it was pointed at stays.
    const bool regular = fstat(mFd, &info) == 0 && S_ISREG(info.st_mode);
    close(mFd);
    mFd = -1;
    if (regular) std::remove(mPath.c_str());
}

// One write per call, so that the file only ever ends in whole lines unless the disk
// fills; then it is cut back to its last whole line and recording stops, with one
// message, while the session goes on.
void ScenarioRecording::write(const std::string& line) {
    if (mFd < 0) return;
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(mFd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    if (done == line.size()) {
        mWhole += line.size();
        return;
    }
    const int why = errno;
    if (ftruncate(mFd, off_t(mWhole)) != 0) {
        // A device cannot be cut back; what it holds is what it took.
    }
    close(mFd);
    mFd = -1;
    errno = why;
    if (mWhole == 0) return;  // the constructor reports it
    std::fprintf(stderr, "smoke: the recording %s stops after step %llu: %s\n", mPath.c_str(),
                 static_cast<unsigned long long>(mSteps), std::strerror(why));
}
