#pragma once
// Value types shared by every part of the program, and the mappings between
// window, world and grid coordinates.

#include <cstdint>

struct Vec2 {
    float x;
    float y;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline Vec2 operator*(float s, Vec2 a) { return {s * a.x, s * a.y}; }
inline Vec2 operator/(Vec2 a, float s) { return {a.x / s, a.y / s}; }
inline Vec2& operator+=(Vec2& a, Vec2 b) {
    a.x += b.x;
    a.y += b.y;
    return a;
}
inline bool operator==(Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(Vec2 a, Vec2 b) { return !(a == b); }

// Axis-aligned rectangle; (x, y) is the lower corner and both edges belong to it.
struct Rect {
    float x;
    float y;
    float width;
    float height;

    static Rect fromCorners(Vec2 lower, Vec2 upper) { return {lower.x, lower.y, upper.x - lower.x, upper.y - lower.y}; }
    float right() const { return x + width; }
    float top() const { return y + height; }
    // NaN fails every comparison, so a NaN point is never inside.
    bool contains(Vec2 p) const { return p.x >= x && p.x <= right() && p.y >= y && p.y <= top(); }
};

struct CellCoord {
    uint32_t i;
    uint32_t j;
    bool valid;
};

struct DragSegment {
    Vec2 from;
    Vec2 to;
};

// Linear map of the rectangle `from` onto `to`, in double precision; no clamping.
Vec2 mapPoint(Vec2 p, const Rect& from, const Rect& to);
Vec2 mapPoint(float px, float py, const Rect& from, const Rect& to);

// Clamps each axis of p into r independently.
Vec2 clampToRect(Vec2 p, const Rect& r);

// Position of cell (i, j) in any per-cell array: i varies fastest, one border cell on each side.
inline uint32_t cellNumber(uint32_t i, uint32_t j, uint32_t resI) { return i + j * (resI + 2); }
