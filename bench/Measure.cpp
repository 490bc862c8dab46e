#include "bench/Measure.h"

#include <algorithm>
#include <chrono>
#include <csignal>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t interrupted = 0;

void stopIfInterrupted() {
    if (interrupted) throw MeasurementsInterrupted{};
}

}  // namespace

void interruptMeasurements() { interrupted = 1; }

bool measurementsInterrupted() { return interrupted != 0; }

double medianOf(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

Timing timeRepeatedly(const TimingPlan& plan, const std::function<void()>& action) {
    for (int k = 0; k < plan.warmupRuns; ++k) {
        action();
        stopIfInterrupted();
    }
    std::vector<double> runs;
    const Clock::time_point start = Clock::now();
    while (int(runs.size()) < plan.minRuns ||
           std::chrono::duration<double>(Clock::now() - start).count() < plan.minSeconds) {
        const Clock::time_point before = Clock::now();
        action();
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        stopIfInterrupted();
    }
    return {medianOf(runs), int(runs.size())};
}

BusyThreads::BusyThreads(unsigned count) {
    for (unsigned k = 0; k < count; ++k)
        mThreads.emplace_back([this] {
            while (!mStop.load(std::memory_order_relaxed)) {
            }
        });
}

BusyThreads::~BusyThreads() {
    mStop.store(true);
    for (std::thread& t : mThreads) t.join();
}
