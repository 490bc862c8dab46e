#include "headless/HeadlessGL.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace headless {
namespace {

pid_t virtualDisplayPid = -1;
int windowId = 0;

void stopVirtualDisplay() {
    if (virtualDisplayPid <= 0) return;
    kill(virtualDisplayPid, SIGTERM);
    waitpid(virtualDisplayPid, nullptr, 0);
    virtualDisplayPid = -1;
}

// What Xvfb wrote so far: it says why when the server did not start.
std::string serverOutput(int log) {
    std::string text;
    char piece[4096];
    ssize_t n = 0;
    while ((n = pread(log, piece, sizeof piece, off_t(text.size()))) > 0) text.append(piece, size_t(n));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// Starts Xvfb on the first free display number; Xvfb itself picks the number
// and reports it through -displayfd, so parallel runs cannot race for one. Its
// output goes to a file in memory and is shown only when it does not start: a
// server that starts also complains of every display number other servers hold.
void startVirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("cannot create a pipe for Xvfb");
    const int log = memfd_create("xvfb-output", MFD_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("cannot start Xvfb");
    if (pid == 0) {
        // However this process ends (a signal from the terminal or from kill, even
        // SIGKILL, which no handler sees), the kernel then stops Xvfb. The death that
        // counts is that of the forking thread, here always the main one.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);  // it ended before the line above
        // Out of the terminal's process group: Ctrl-C is for the program, which may
        // still want its display while it finishes (smoke-bench prints its report).
        setpgid(0, 0);
        close(fds[0]);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        const std::string fd = std::to_string(fds[1]);
        // -noreset: a server that resets when its last client leaves refuses connections
        // meanwhile, and the check for a display that answers is such a client.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2048x2048x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string output = log >= 0 ? serverOutput(log) : "";
        if (log >= 0) close(log);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
            throw std::runtime_error("cannot run Xvfb (is the xvfb package installed?)");
        throw std::runtime_error("Xvfb did not start" + (output.empty() ? "" : ", and said:\n" + output));
    }
    if (log >= 0) close(log);
    virtualDisplayPid = pid;
    std::atexit(stopVirtualDisplay);
    setenv("DISPLAY", (":" + number).c_str(), 1);
}

// A busy X server now and then refuses a connection that it accepts a moment later,
// and glutInit ends the process at the first refusal: try until it answers.
void awaitDisplay() {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (Display* connection = XOpenDisplay(nullptr)) {
            XCloseDisplay(connection);
            return;
        }
        usleep(100000);
    }
    throw std::runtime_error(std::string("cannot open display ") + std::getenv("DISPLAY"));
}

void displayNothing() {}

}  // namespace

int openWindow(int width, int height, const char* title) {
    if (windowId != 0) return windowId;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') startVirtualDisplay();
    awaitDisplay();

    int argc = 1;
    char name[] = "smoke";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(width, height);
    glutInitWindowPosition(0, 0);
    windowId = glutCreateWindow(title);
    glutDisplayFunc(displayNothing);
    glewInit();
    // Let the window be mapped before anything draws into it.
    glutMainLoopEvent();
    return windowId;
}

std::string rendererName() {
    auto text = [](GLenum name) {
        const GLubyte* s = glGetString(name);
        return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("?");
    };
    return text(GL_VENDOR) + " / " + text(GL_RENDERER) + " / " + text(GL_VERSION);
}

}  // namespace headless
