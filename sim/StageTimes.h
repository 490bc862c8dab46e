#pragma once
// The named stages of a step, as the benchmark reports them. The software solver
// times every stage but the readback; the shader solver times its pass groups and
// its readback on the GL's clock, where the GL has timer queries.

enum class Stage { Sources, Diffusion, Projection, Advection, Strokes, BodyForces, Clearing, Readback };
constexpr int STAGE_COUNT = 8;
constexpr const char* STAGE_NAMES[STAGE_COUNT] = {"sources", "diffusion",   "projection", "advection",
                                                  "strokes", "body forces", "clearing",   "readback"};

// Milliseconds spent in each stage while timed.
struct StageTimes {
    double ms[STAGE_COUNT] = {};
};
