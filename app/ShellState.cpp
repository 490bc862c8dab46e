#include "app/Shell.h"
#include "scenario/Recording.h"

int32_t windowId = 0;
std::unique_ptr<FluidSim2D> sim;
bool leftButtonDown = false;
bool showCellCenters = false;
bool showVelocity = false;
bool paused = false;
bool dragActive = false;
Rect screenRect{0.0f, 0.0f, 0.0f, 0.0f};
DragSegment pendingDrag{{0.0f, 0.0f}, {0.0f, 0.0f}};
CellCoord pendingDragFromCell{0, 0, false};
CellCoord pendingDragToCell{0, 0, false};
std::vector<DragSegment> dragSegments;
CellCoord mouseCell{0, 0, false};
FpsAverage fpsAverager(FPS_SAMPLES);
FrameTimer frameTimer;
bool showDragSegments = true;
bool scaleArrows = true;
std::unique_ptr<ScenarioRecording> recording;
