#pragma once
// A team of threads that runs one job at a time on a crew of its members, the
// caller being member 0. The threads are made once. A member that waits (for a job,
// for the others at a barrier, for another's progress) polls for a moment, since a
// step's kernels hand over within microseconds, and then sleeps until woken, so
// that a paused program keeps no core busy and a team larger than the machine
// still makes progress. Members outside the crew are not woken at all.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// The most threads a command line or SMOKE_THREADS may give the software solver.
constexpr unsigned MAX_SOFTWARE_THREADS = 256;

// How many threads share the software solver's work: exactly `count`, or, adaptive,
// up to `count` and fewer while fewer finish steps sooner (see CrewChooser.h).
struct ThreadCount {
    ThreadCount(unsigned n = 1, bool adaptive_ = false) : count(n), adaptive(adaptive_) {}
    unsigned count;
    bool adaptive;
};

// The processors this process may run on (its affinity mask).
unsigned processorsAvailable();

// SMOKE_THREADS=N fixes the count at N; without it, up to the processors this
// process may use, adaptively. A value that is not a whole number from 1 to
// MAX_SOFTWARE_THREADS is refused with a warning on standard error, and a count
// above the processors is kept with a note that it will be slower; both once.
ThreadCount defaultThreads();
// What SMOKE_THREADS holding `value` (null: unset) gives, and the warning or note
// to show for it ("" for none).
ThreadCount threadsFromEnvironment(const char* value, std::string& message);

// The note for a count above the processors ("" for one within them). `what` names
// where the count came from, for instance "--threads 8".
std::string threadsBeyondProcessorsNote(unsigned count, const std::string& what);

class ThreadTeam {
public:
    // `counters` progress counters for the members to hand work along (see publish).
    // Throws std::bad_alloc when the threads cannot be made.
    ThreadTeam(unsigned size, unsigned counters);
    ~ThreadTeam();
    ThreadTeam(const ThreadTeam&) = delete;
    ThreadTeam& operator=(const ThreadTeam&) = delete;

    unsigned size() const { return unsigned(mWorkers.size()) + 1; }

    // job(member) on members 0 .. crew − 1 at once (crew is held to 1 .. size());
    // returns when every one of them has finished. When a share throws, the others
    // are released from their waits, and once all have returned the first exception
    // is rethrown here.
    template <class Job>
    void run(Job& job, unsigned crew) {
        runErased([](void* j, unsigned member) { (*static_cast<Job*>(j))(member); }, &job, crew);
    }

    // Inside a job: waits until every member of the crew has reached it.
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
    void runErased(ErasedJob job, void* context, unsigned crew);
    void work(unsigned member);
    void share(unsigned member);
    void abandon(std::exception_ptr failure);
    void throwIfAbandoned() const;
    void stop();

    std::vector<std::thread> mWorkers;
    std::unique_ptr<Signal[]> mGo;  // member m's job number; member 0's is unused
    std::unique_ptr<Signal[]> mCounters;
    unsigned mCounterCount;
    std::chrono::steady_clock::duration mWaitSpin;  // polling inside a job before sleeping
    std::chrono::steady_clock::duration mIdleSpin;  // polling for the next job before sleeping

    // The job in hand, published with the members' job numbers.
    ErasedJob mJob = nullptr;
    void* mContext = nullptr;
    unsigned mCrew = 1;
    Signal mUnfinished;  // members other than the caller still at work
    Signal mBarrierRound;
    alignas(64) std::atomic<unsigned> mArrived{0};
    std::atomic<bool> mStopping{false};
    // A share threw: the first exception, and the flag that releases every wait.
    std::atomic<bool> mAbandoned{false};
    std::exception_ptr mFailure;
};
