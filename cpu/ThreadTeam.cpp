#include "cpu/ThreadTeam.h"

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <cstdlib>
#include <new>
#include <system_error>

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

unsigned processorsAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return unsigned(CPU_COUNT(&set));
    const unsigned online = std::thread::hardware_concurrency();
    return online > 0 ? online : 1;
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

}  // namespace

unsigned defaultThreadCount() {
    if (const char* text = std::getenv("SMOKE_THREADS")) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 256) return unsigned(n);
    }
    return processorsAvailable();
}

ThreadTeam::ThreadTeam(unsigned size, unsigned counters)
    : mCounters(std::make_unique<Signal[]>(counters)),
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
    mGeneration.word.fetch_add(1);
    wake(mGeneration);
    for (std::thread& worker : mWorkers) worker.join();
    mWorkers.clear();
}

void ThreadTeam::runErased(ErasedJob job, void* context) {
    if (mWorkers.empty()) {
        job(context, 0);
        return;
    }
    mJob = job;
    mContext = context;
    mUnfinished.word.store(unsigned(mWorkers.size()));
    mGeneration.word.fetch_add(1);  // publishes the job
    wake(mGeneration);
    job(context, 0);
    waitOn(mUnfinished, [&] { return mUnfinished.word.load(std::memory_order_acquire) == 0; }, mWaitSpin);
}

void ThreadTeam::work(unsigned member) {
    uint32_t seen = 0;
    for (;;) {
        waitOn(mGeneration, [&] { return mGeneration.word.load(std::memory_order_acquire) != seen; }, mIdleSpin);
        seen = mGeneration.word.load(std::memory_order_acquire);
        if (mStopping.load()) return;
        mJob(mContext, member);
        if (mUnfinished.word.fetch_sub(1) == 1) wake(mUnfinished);
    }
}

void ThreadTeam::barrier() {
    if (mWorkers.empty()) return;
    const uint32_t round = mBarrierRound.word.load(std::memory_order_acquire);
    if (mArrived.fetch_add(1, std::memory_order_acq_rel) + 1 == size()) {
        mArrived.store(0, std::memory_order_relaxed);
        mBarrierRound.word.store(round + 1);
        wake(mBarrierRound);
        return;
    }
    waitOn(mBarrierRound, [&] { return mBarrierRound.word.load(std::memory_order_acquire) != round; }, mWaitSpin);
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
    waitOn(counter, [&] { return counter.word.load(std::memory_order_acquire) >= value; }, mWaitSpin, &COUNTER_NAP);
    return counter.word.load(std::memory_order_acquire);
}
