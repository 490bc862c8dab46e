#include "cpu/ThreadTeam.h"

#include <sched.h>

#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// A member polls for a few microseconds (a step's kernels hand over in less), then
// keeps polling between yields of its processor, which costs little where nothing
// else wants the processor and lets the member it waits for run where something
// does; a member idle between jobs sleeps after a while (a frame's pause lasts
// milliseconds). A team larger than the processors it may use yields at once.
constexpr auto WAIT_SPIN = std::chrono::microseconds(5);
constexpr auto IDLE_POLL = std::chrono::microseconds(300);

inline void relaxProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
    asm volatile("yield");
#endif
}

// Polls done() for `spin`, then between yields, until it holds (true) or `limit`
// has passed (false).
template <class Done>
bool waitUntil(Done&& done, Clock::duration spin, Clock::duration limit = Clock::duration::max()) {
    const Clock::time_point start = Clock::now();
    for (unsigned k = 1; !done(); ++k) {
        if (k % 64 != 0) {
            relaxProcessor();
            continue;
        }
        const Clock::duration waited = Clock::now() - start;
        if (waited > limit) return false;
        if (waited > spin) std::this_thread::yield();
    }
    return true;
}

unsigned processorsAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return unsigned(CPU_COUNT(&set));
    const unsigned online = std::thread::hardware_concurrency();
    return online > 0 ? online : 1;
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
    : mCounters(std::make_unique<Counter[]>(counters)),
      mCounterCount(counters),
      mWaitSpin(size <= processorsAvailable() ? Clock::duration(WAIT_SPIN) : Clock::duration(0)) {
    mWorkers.reserve(size > 1 ? size - 1 : 0);
    for (unsigned member = 1; member < size; ++member) mWorkers.emplace_back([this, member] { work(member); });
}

ThreadTeam::~ThreadTeam() {
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopping.store(true);
        mGeneration.fetch_add(1);
    }
    mWake.notify_all();
    for (std::thread& worker : mWorkers) worker.join();
}

void ThreadTeam::runErased(ErasedJob job, void* context) {
    if (mWorkers.empty()) {
        job(context, 0);
        return;
    }
    mJob = job;
    mContext = context;
    mUnfinished.store(unsigned(mWorkers.size()), std::memory_order_relaxed);
    mGeneration.fetch_add(1);  // publishes the job
    // A member that went to sleep before seeing the new generation is woken; one
    // that registers as sleeping after this check sees the generation first.
    if (mSleeping.load() > 0) {
        { std::lock_guard<std::mutex> lock(mMutex); }
        mWake.notify_all();
    }
    job(context, 0);
    waitUntil([&] { return mUnfinished.load(std::memory_order_acquire) == 0; }, mWaitSpin);
}

void ThreadTeam::work(unsigned member) {
    uint64_t seen = 0;
    for (;;) {
        auto announced = [&] { return mGeneration.load(std::memory_order_acquire) != seen; };
        if (!waitUntil(announced, mWaitSpin, IDLE_POLL)) {
            std::unique_lock<std::mutex> lock(mMutex);
            mSleeping.fetch_add(1);
            while (mGeneration.load() == seen) mWake.wait(lock);
            mSleeping.fetch_sub(1);
        }
        seen = mGeneration.load(std::memory_order_acquire);
        if (mStopping.load(std::memory_order_acquire)) return;
        mJob(mContext, member);
        mUnfinished.fetch_sub(1, std::memory_order_release);
    }
}

void ThreadTeam::barrier() {
    if (mWorkers.empty()) return;
    const uint32_t round = mBarrierRound.load(std::memory_order_acquire);
    if (mArrived.fetch_add(1, std::memory_order_acq_rel) + 1 == size()) {
        mArrived.store(0, std::memory_order_relaxed);
        mBarrierRound.store(round + 1, std::memory_order_release);
        return;
    }
    waitUntil([&] { return mBarrierRound.load(std::memory_order_acquire) != round; }, mWaitSpin);
}

void ThreadTeam::clearProgress() {
    for (unsigned k = 0; k < mCounterCount; ++k) mCounters[k].value.store(0, std::memory_order_relaxed);
}

void ThreadTeam::publish(unsigned k, uint32_t value) { mCounters[k].value.store(value, std::memory_order_release); }

uint32_t ThreadTeam::awaitProgress(unsigned k, uint32_t value) {
    std::atomic<uint32_t>& counter = mCounters[k].value;
    waitUntil([&] { return counter.load(std::memory_order_acquire) >= value; }, mWaitSpin);
    return counter.load(std::memory_order_acquire);
}
