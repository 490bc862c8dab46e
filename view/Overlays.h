#pragma once
// What the window draws over the smoke, in world coordinates, and the view of that world: velocity arrows,
// cell centres and stirring strokes. Shared by the interactive program and the
// scenario renderer, so both show the same picture.

#include <vector>

#include "sim/FluidSim2D.h"

// The projection every view of the world uses: the whole world rectangle fills the
// viewport whatever its shape (no aspect correction). Leaves the model-view matrix
// current and as it was.
void useWorldProjection(const Rect& world);

// Smaller speeds get no arrow; when no cell is this fast nothing is drawn at all.
constexpr float ARROW_SPEED_THRESHOLD = 1e-5f;

// One arrow per moving interior cell, centred on it, black tail to yellow head. Scaled
// arrows are one cell long for the fastest cell and proportionally shorter for the
// rest; unscaled ones are all one cell long and show direction only.
void drawVelocityArrows(FluidSim2D& sim, bool scaleArrows);

// A red point at every interior cell centre.
void drawCellCentres(const FluidSim2D& sim);

// The colour solid cells are drawn in, over the smoke: steel blue, which no grey
// level of the smoke and no overlay is.
constexpr float SOLID_COLOUR[3] = {0.27f, 0.51f, 0.71f};

// The simulation's solid cells as flat squares, a quad for each run of them along a
// row; nothing at all where there are none.
void drawSolids(const FluidSim2D& sim);

// Each stroke as a line shading from black at its start to cyan at its end; `pending`
// (the stroke still being dragged, or null) is drawn last.
void drawStrokes(const std::vector<DragSegment>& strokes, const DragSegment* pending);
