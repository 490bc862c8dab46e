#pragma once
// The frame loop's clock and the frames-per-second figure of the status line.

#include <cstdint>
#include <memory>

// A stopwatch on a monotonic counter: each elapsed() returns the seconds since the
// previous reading and starts the next interval.
class FrameTimer {
public:
    FrameTimer();
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    void restart();
    double elapsed();

    int64_t lastCount;
    int64_t frequency;  // counter ticks per second
};

// The mean of the instantaneous rates (1 / interval) of the last sampleCount frames.
// Slots not yet written count as zero, so the figure climbs over the first frames.
class FpsAverage {
public:
    explicit FpsAverage(uint32_t slots);
    FpsAverage(const FpsAverage&) = delete;
    FpsAverage& operator=(const FpsAverage&) = delete;

    void addFrame(double dt);
    double average() const;

    uint32_t sampleCount;
    int32_t nextSlot = 0;
    std::unique_ptr<double[]> samples;
};
