#pragma once
// The interactive program's process-wide state and the functions GLUT calls.
// Everything here runs on the one thread that runs GLUT's main loop.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameTimer.h"
#include "sim/FluidSim2D.h"
#include "sim/ProjectionMode.h"

class ScenarioRecording;
struct Scenario;

// ---- process-wide state ------------------------------------------------------

extern int32_t windowId;
extern std::unique_ptr<FluidSim2D> sim;
extern bool leftButtonDown;
extern bool showCellCenters;
extern bool showVelocity;
extern bool paused;
extern bool dragActive;
extern Rect screenRect;
extern DragSegment pendingDrag;
// The cells whose centres pendingDrag joins, for the recording.
extern CellCoord pendingDragFromCell;
extern CellCoord pendingDragToCell;
extern std::vector<DragSegment> dragSegments;
extern CellCoord mouseCell;
extern FpsAverage fpsAverager;
extern FrameTimer frameTimer;
extern bool showDragSegments;
extern bool scaleArrows;
// The session being recorded (--record), or null.
extern std::unique_ptr<ScenarioRecording> recording;

constexpr int WINDOW_SIZE = 800;
constexpr const char* WINDOW_TITLE = "Quorvex - Final Project - Smoke Simulation";
constexpr int FPS_SAMPLES = 10;
constexpr double SINGLE_STEP_SECONDS = 0.1;

// ---- start-up ----------------------------------------------------------------

// The console block announcing the software solver for want of `missing`.
std::string missingExtensionsReport(const std::vector<std::string>& missing);
// Constructs the one simulation, resolution by resolution cells, into `sim`.
void createSim(uint32_t resolution, bool useGPU, ProjectionMode projection = ProjectionMode::FixedSweeps);
// Prints the OpenGL information and sets the texture and clear state drawing relies on.
void printGLInfo();
// Registers the eight callbacks with the current window.
void registerCallbacks();

// ---- recording ---------------------------------------------------------------

// Creates the recording at `path`; false, with one line on standard error, when it
// cannot be written.
bool startRecording(const std::string& path);
// The session's settings, once the simulation exists, with the solids of its scene;
// the recording ends with a picture line however the process exits normally.
void recordSettings(ProjectionMode projection, const std::vector<SolidShape>& solids);
// Removes the recording of a session that did not start.
void discardRecording();

// ---- scene -------------------------------------------------------------------

// Reads the scenario file of --scene into `scene`; false, with its mistakes on
// standard error, when it does not read.
bool loadScene(const std::string& path, Scenario& scene);
// False, with a line on standard error, when the scene names cells of another grid.
bool sceneFitsGrid(const Scenario& scene, const std::string& path, uint32_t resI, uint32_t resJ);
// Makes the scene's solids solid and commits the strokes it lays before its first
// step (recording them); after recordSettings, so that a recording has them in order.
void startScene(const Scenario& scene);

// ---- frame loop --------------------------------------------------------------

void idle();
void stepSimulation(double dt);
void display();
std::string fpsLine();
std::string mouseLine();
std::string modeLine();

// ---- input -------------------------------------------------------------------

void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
void passiveMotion(int x, int y);
void updateMouseCell(int x, int y);
void addDragSegment();
void clearDragSegments();
// Switches one solver stage ('d', 'a' or 'p', whose flag is `enabled`).
void toggleStage(bool& enabled, char stage);
// Empties the fields; the strokes stay.
void resetSimulation();
// Destroys the simulation, then the window, and ends the process with status 0.
[[noreturn]] void quit();

// ---- text and overlays -------------------------------------------------------

constexpr int TEXT_BUFFER_SIZE = 1024;
constexpr int TEXT_LINE_OFFSET = 18;

void reshape(int width, int height);
// printf-style formatting into at most TEXT_BUFFER_SIZE - 1 characters; a longer
// text is cut short.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// printf-style text at (x, y) in pixels from the top-left corner, y downward, in the
// current colour. A text longer than the buffer is cut short. Returns the number of
// characters drawn.
int drawText(int32_t x, int32_t y, const char* format, ...) __attribute__((format(printf, 3, 4)));
void drawVelocityOverlay();
void drawCellCenters();
void drawDragSegments();
