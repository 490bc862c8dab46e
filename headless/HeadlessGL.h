#pragma once
// A GL context for programs and tests that have no window of their own to show:
// the benchmark, the scenario renderer and the picture tests.

#include <string>

namespace headless {

// Makes sure an X display exists, starting a private virtual one (Xvfb) when
// DISPLAY is unset, which ends with the process however the process ends; then opens one double-buffered RGB GLUT
// window of the given size, makes its context current and initialises GLEW. Safe to call once per process; later calls
// return the same window. Returns the GLUT window id.
int openWindow(int width, int height, const char* title = "smoke");

// "vendor / renderer / version" of the current context.
std::string rendererName();

}  // namespace headless
