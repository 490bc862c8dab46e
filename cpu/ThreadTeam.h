#pragma once
// A team of threads that runs one job at a time on all of its members, the caller
// being member 0. The threads are made once; between jobs they poll for a moment
// (the kernels of one step follow each other within microseconds) and then sleep,
// so that a paused program keeps no core busy.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
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

private:
    using ErasedJob = void (*)(void*, unsigned);
    void runErased(ErasedJob job, void* context);
    void work(unsigned member);

    struct alignas(64) Counter {
        std::atomic<uint32_t> value{0};
    };

    std::vector<std::thread> mWorkers;
    std::unique_ptr<Counter[]> mCounters;
    unsigned mCounterCount;
    std::chrono::steady_clock::duration mWaitSpin;  // polling before yielding

    // The job in hand, announced by a new generation number.
    ErasedJob mJob = nullptr;
    void* mContext = nullptr;
    alignas(64) std::atomic<uint64_t> mGeneration{0};
    alignas(64) std::atomic<unsigned> mUnfinished{0};
    alignas(64) std::atomic<unsigned> mArrived{0};
    std::atomic<uint32_t> mBarrierRound{0};

    // Where members sleep between jobs.
    std::mutex mMutex;
    std::condition_variable mWake;
    std::atomic<unsigned> mSleeping{0};
    std::atomic<bool> mStopping{false};
};
