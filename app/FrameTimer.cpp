#include "app/FrameTimer.h"

#include <chrono>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;

int64_t counterNow() { return int64_t(Clock::now().time_since_epoch().count()); }

// The clock's period is a compile-time ratio of seconds; its inverse is the tick rate.
constexpr int64_t counterFrequency() { return int64_t(Clock::period::den / Clock::period::num); }

}  // namespace

FrameTimer::FrameTimer() { restart(); }

void FrameTimer::restart() {
    frequency = counterFrequency();
    lastCount = counterNow();
}

double FrameTimer::elapsed() {
    const int64_t now = counterNow();
    const int64_t delta = now - lastCount;
    lastCount = now;
    return double(delta) / double(frequency);
}

FpsAverage::FpsAverage(uint32_t slots) : sampleCount(slots), samples(new double[slots]()) {}

void FpsAverage::addFrame(double dt) {
    // Two readings within one clock tick give a zero interval; it has no rate to
    // record, and 1/0 would make the figure infinite for the next sampleCount frames.
    if (!(dt > 0.0) || !std::isfinite(1.0 / dt)) return;
    samples[nextSlot] = 1.0 / dt;
    nextSlot += 1;
    if (uint32_t(nextSlot) == sampleCount) nextSlot = 0;
}

double FpsAverage::average() const {
    long double sum = 0.0L;
    for (uint32_t k = 0; k < sampleCount; ++k) sum += samples[k];
    return double(sum / sampleCount);
}
