#include "cpu/ThreadTeam.h"

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <system_error>

#include "sim/Numbers.h"

namespace {

using Clock = std::chrono::steady_clock;
using Signal = ThreadTeam::Signal;

// Inside a job a member polls for as long as a hand-over within a step may take;
// between jobs for as long as the solver's own work between two kernels. A team
// larger than the processors it may use never polls: the member it waits for may
// need this very processor.
constexpr auto WAIT_SPIN = std::chrono::microseconds(20);
constexpr auto IDLE_SPIN = std::chrono::microseconds(100);
// The longest sleep on a progress counter before looking again (see publish).
constexpr timespec COUNTER_NAP = {0, 1000 * 1000};

inline void relaxProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
    asm volatile("yield");
#endif
}

int* futexWord(std::atomic<uint32_t>& word) { return reinterpret_cast<int*>(&word); }
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(int), "a futex is a 32-bit word");

// Waits until done(), which turns true only after signal.word changes: polls for
// `spin`, then sleeps on the word, for at most `nap` at a time where one is given.
// The one who changes it calls wake.
template <class Done>
void waitOn(Signal& signal, Done&& done, Clock::duration spin, const timespec* nap = nullptr) {
    const Clock::time_point start = Clock::now();
    for (unsigned k = 1; !done(); ++k) {
        relaxProcessor();
        if (k % 64 == 0 && Clock::now() - start > spin) break;
    }
    for (;;) {
        const uint32_t seen = signal.word.load();
        if (done()) return;
        // Whoever changes the word after this count sees it and wakes the sleepers;
        // a change before it makes the sleep return at once.
        signal.sleepers.fetch_add(1);
        if (!done()) syscall(SYS_futex, futexWord(signal.word), FUTEX_WAIT_PRIVATE, seen, nap, nullptr, 0);
        signal.sleepers.fetch_sub(1);
    }
}

void wake(Signal& signal) {
    if (signal.sleepers.load() > 0)
        syscall(SYS_futex, futexWord(signal.word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

// Released from a wait because another member's share threw; the member's own
// share ends with it, and the caller rethrows the first exception instead.
struct Abandoned {};

std::string threadsWord(unsigned n) { return std::to_string(n) + (n == 1 ? " thread" : " threads"); }

}  // namespace

unsigned processorsAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return unsigned(CPU_COUNT(&set));
    const unsigned online = std::thread::hardware_concurrency();
    return online > 0 ? online : 1;
}

std::string threadsBeyondProcessorsNote(unsigned count, const std::string& what) {
    const unsigned processors = processorsAvailable();
    if (count <= processors) return "";
    return "note: " + what + " is more threads than the " + std::to_string(processors) +
           (processors == 1 ? " processor" : " processors") +
           " this process may use; the software solver will be slower than on " + threadsWord(processors);
}

ThreadCount threadsFromEnvironment(const char* value, std::string& message) {
    message.clear();
    const unsigned processors = processorsAvailable();
    const ThreadCount automatic(processors, true);
    if (value == nullptr) return automatic;
    uint32_t count = 0;
    if (!readWholeNumber(value, 1, MAX_SOFTWARE_THREADS, count)) {
        message = "warning: SMOKE_THREADS=\"" + std::string(value) + "\" is not a whole number from 1 to " +
                  std::to_string(MAX_SOFTWARE_THREADS) + "; using up to " + threadsWord(processors) +
                  ", the processors this process may use";
        return automatic;
    }
    message = threadsBeyondProcessorsNote(count, "SMOKE_THREADS=" + std::to_string(count));
    return ThreadCount(count, false);
}

ThreadCount defaultThreads() {
    // Read once, so that the warning is given once however many solvers are made.
    static const ThreadCount chosen = [] {
        std::string message;
        const ThreadCount count = threadsFromEnvironment(std::getenv("SMOKE_THREADS"), message);
        if (!message.empty()) std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, message.c_str());
        return count;
    }();
    return chosen;
}

ThreadTeam::ThreadTeam(unsigned size, unsigned counters)
    : mGo(std::make_unique<Signal[]>(size > 0 ? size : 1)),
      mCounters(std::make_unique<Signal[]>(counters)),
      mCounterCount(counters),
      mWaitSpin(size <= processorsAvailable() ? Clock::duration(WAIT_SPIN) : Clock::duration(0)),
      mIdleSpin(size <= processorsAvailable() ? Clock::duration(IDLE_SPIN) : Clock::duration(0)) {
    mWorkers.reserve(size > 1 ? size - 1 : 0);
    try {
        for (unsigned member = 1; member < size; ++member) mWorkers.emplace_back([this, member] { work(member); });
    } catch (const std::system_error&) {
        // No room for another thread's stack (a memory limit, most often). The threads
        // made so far must end before the team goes, or their destructors terminate us.
        stop();
        throw std::bad_alloc();
    }
}

ThreadTeam::~ThreadTeam() { stop(); }

void ThreadTeam::stop() {
    mStopping.store(true);
    for (unsigned member = 1; member <= mWorkers.size(); ++member) {
        mGo[member].word.fetch_add(1);
        wake(mGo[member]);
    }
    for (std::thread& worker : mWorkers) worker.join();
    mWorkers.clear();
}

void ThreadTeam::runErased(ErasedJob job, void* context, unsigned crew) {
    crew = crew < 1 ? 1 : crew > size() ? size() : crew;
    mCrew = crew;
    if (crew == 1) {
        job(context, 0);
        return;
    }
    mJob = job;
    mContext = context;
    mUnfinished.word.store(crew - 1);
    for (unsigned member = 1; member < crew; ++member) {
        mGo[member].word.fetch_add(1);  // publishes the job to this member
        wake(mGo[member]);
    }
    share(0);
    // Even when the caller's own share threw: the others may still be using what the
    // job refers to, which lives no longer than this call.
    waitOn(
        mUnfinished, [&] { return mUnfinished.word.load(std::memory_order_acquire) == 0; }, mWaitSpin);
    if (mAbandoned.load()) {
        std::exception_ptr failure = mFailure;
        mFailure = nullptr;
        mArrived.store(0);
        mAbandoned.store(false);
        std::rethrow_exception(failure);
    }
}

void ThreadTeam::share(unsigned member) {
    try {
        mJob(mContext, member);
    } catch (const Abandoned&) {
    } catch (...) {
        abandon(std::current_exception());
    }
}

// Keeps the first failure, then moves every word a member may sleep on, so that no
// wait (barrier, progress) goes on for a job that cannot finish.
void ThreadTeam::abandon(std::exception_ptr failure) {
    if (mAbandoned.exchange(true)) return;
    mFailure = failure;
    mBarrierRound.word.fetch_add(1);
    wake(mBarrierRound);
    for (unsigned k = 0; k < mCounterCount; ++k) {
        mCounters[k].word.fetch_add(1);
        wake(mCounters[k]);
    }
}

void ThreadTeam::throwIfAbandoned() const {
    if (mAbandoned.load()) throw Abandoned{};
}

void ThreadTeam::work(unsigned member) {
    Signal& go = mGo[member];
    uint32_t seen = 0;
    for (;;) {
        waitOn(
            go, [&] { return go.word.load(std::memory_order_acquire) != seen; }, mIdleSpin);
        seen = go.word.load(std::memory_order_acquire);
        if (mStopping.load()) return;
        share(member);
        if (mUnfinished.word.fetch_sub(1) == 1) wake(mUnfinished);
    }
}

void ThreadTeam::barrier() {
    if (mCrew <= 1) return;
    const uint32_t round = mBarrierRound.word.load(std::memory_order_acquire);
    throwIfAbandoned();
    if (mArrived.fetch_add(1, std::memory_order_acq_rel) + 1 == mCrew) {
        mArrived.store(0, std::memory_order_relaxed);
        mBarrierRound.word.store(round + 1);
        wake(mBarrierRound);
        return;
    }
    waitOn(
        mBarrierRound, [&] { return mBarrierRound.word.load(std::memory_order_acquire) != round; }, mWaitSpin);
    throwIfAbandoned();
}

void ThreadTeam::clearProgress() {
    for (unsigned k = 0; k < mCounterCount; ++k) mCounters[k].word.store(0, std::memory_order_relaxed);
}

// A plain release store: with a full fence there, every publication waited for the
// edge cells just written for a neighbour to reach the other processor, which cost
// the relaxations on two threads 5 to 15 % of their time at 201 × 201. Without it the
// load of `sleepers` may overtake the store, and a waiter that falls asleep at that
// very moment misses its wake-up; so sleeps on a counter are naps.
void ThreadTeam::publish(unsigned k, uint32_t value) {
    mCounters[k].word.store(value, std::memory_order_release);
    wake(mCounters[k]);
}

uint32_t ThreadTeam::awaitProgress(unsigned k, uint32_t value) {
    Signal& counter = mCounters[k];
    waitOn(
        counter, [&] { return counter.word.load(std::memory_order_acquire) >= value || mAbandoned.load(); }, mWaitSpin,
        &COUNTER_NAP);
    throwIfAbandoned();
    return counter.word.load(std::memory_order_acquire);
}
