#pragma once
// Timing one action repeatedly and keeping its median.

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

struct TimingPlan {
    int warmupRuns;
    int minRuns;
    double minSeconds;
};

struct Timing {
    double medianMs;
    int runs;
};

// The middle value; the mean of the two middle ones for an even count.
double medianOf(std::vector<double> values);

// Runs `action` warmupRuns times untimed, then times single runs until there have
// been at least minRuns of them and at least minSeconds have passed. Throws
// MeasurementsInterrupted after the run in progress once interruptMeasurements() was called.
Timing timeRepeatedly(const TimingPlan& plan, const std::function<void()>& action);

// Stops every measurement at the end of its current run; safe in a signal handler.
void interruptMeasurements();
bool measurementsInterrupted();
// Not a std::exception, so that no handler of a measurement's failures takes it for one.
struct MeasurementsInterrupted {};

// While it lives, so many threads spin without pause: the busy machine of a user
// whose browser or compiler wants a processor too.
class BusyThreads {
public:
    explicit BusyThreads(unsigned count);
    ~BusyThreads();
    BusyThreads(const BusyThreads&) = delete;
    BusyThreads& operator=(const BusyThreads&) = delete;

private:
    std::atomic<bool> mStop{false};
    std::vector<std::thread> mThreads;
};
