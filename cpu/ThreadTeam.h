#pragma once
// A team of threads that runs one job at a time on all of its members, the caller
// being member 0. The threads are made once. A member that waits (for a job, for
// the others at a barrier, for another's progress) polls for a moment, since a
// step's kernels hand over within microseconds, and then sleeps until woken, so
// that a paused program keeps no core busy and a team larger than the machine
// still makes progress.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

// The processors this process may run on (its affinity mask), unless the
// environment variable SMOKE_THREADS gives a whole number from 1 to 256.
unsigned defaultThreadCount();

class ThreadTeam {
public:
    // `counters` progress counters for the members to hand work along (see publish).
    ThreadTeam(unsigned size, unsigned counters);
    ~ThreadTeam();
    ThreadTeam(const ThreadTeam&) = delete;
    ThreadTeam& operator=(const ThreadTeam&) = delete;

    unsigned size() const { return unsigned(mWorkers.size()) + 1; }

    // job(member) on every member at once; returns when every member has finished.
    template <class Job>
    void run(Job& job) {
        runErased([](void* j, unsigned member) { (*static_cast<Job*>(j))(member); }, &job);
    }

    // Inside a job: waits until every member has reached it.
    void barrier();
    // Inside a job: sets every progress counter to 0; the members must then meet at
    // a barrier before anyone publishes or waits.
    void clearProgress();
    // Counter k now stands at `value` (values only grow within a job).
    void publish(unsigned k, uint32_t value);
    // Waits until counter k stands at `value` or more, and returns where it stands.
    uint32_t awaitProgress(unsigned k, uint32_t value);

    // A word that members wait on to change, and how many sleep on it.
    struct alignas(64) Signal {
        std::atomic<uint32_t> word{0};
        std::atomic<uint32_t> sleepers{0};
    };

private:
    using ErasedJob = void (*)(void*, unsigned);
    void runErased(ErasedJob job, void* context);
    void work(unsigned member);
    void stop();

    std::vector<std::thread> mWorkers;
    std::unique_ptr<Signal[]> mCounters;
    unsigned mCounterCount;
    std::chrono::steady_clock::duration mWaitSpin;  // polling inside a job before sleeping
    std::chrono::steady_clock::duration mIdleSpin;  // polling for the next job before sleeping

    // The job in hand, announced by a new generation number.
    ErasedJob mJob = nullptr;
    void* mContext = nullptr;
    Signal mGeneration;
    Signal mUnfinished;  // members other than the caller still at work
    Signal mBarrierRound;
    alignas(64) std::atomic<unsigned> mArrived{0};
    std::atomic<bool> mStopping{false};
};
