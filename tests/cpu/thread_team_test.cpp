// The thread team on its own: crews of every size, more members than processors, a
// share that throws, shutdown; the choice of crew from step times; SMOKE_THREADS.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cpu/CrewChooser.h"
#include "cpu/ThreadTeam.h"

namespace {

// Every member adds to a count, meets the others, and checks that all of the crew
// have added: a barrier that lets one through early, or waits for members outside
// the crew, fails or hangs here.
int barrierMismatches(ThreadTeam& team, unsigned crew, int rounds) {
    std::atomic<int> arrivals{0}, mismatches{0};
    auto job = [&](unsigned) {
        for (int round = 1; round <= rounds; ++round) {
            arrivals.fetch_add(1);
            team.barrier();
            if (arrivals.load() != round * int(crew)) mismatches.fetch_add(1);
            team.barrier();
        }
    };
    team.run(job, crew);
    return mismatches.load();
}

TEST(ThreadTeam, BarrierHoldsEveryMemberOfATeamLargerThanTheMachine) {
    const unsigned size = 3 * processorsAvailable() + 1;
    ThreadTeam team(size, size);
    EXPECT_EQ(barrierMismatches(team, size, 50), 0);
}

TEST(ThreadTeam, ACrewSmallerThanTheTeamRunsItsMembersAloneAndMeetsWithoutTheOthers) {
    ThreadTeam team(5, 5);
    for (unsigned crew : {3u, 1u, 5u, 2u}) {
        std::vector<std::atomic<int>> ran(5);
        auto job = [&](unsigned member) { ran[member].fetch_add(1); };
        team.run(job, crew);
        for (unsigned member = 0; member < 5; ++member)
            EXPECT_EQ(ran[member].load(), member < crew ? 1 : 0) << "member " << member << " of a crew of " << crew;
        EXPECT_EQ(barrierMismatches(team, crew, 5), 0) << "a crew of " << crew;
    }
}

// The others' waits end, the caller waits for them before it rethrows (they may
// still be using what the job refers to), and the team works on afterwards.
TEST(ThreadTeam, AShareThatThrowsIsRethrownOnlyOnceEveryMemberHasReturned) {
    ThreadTeam team(3, 3);
    std::atomic<bool> lateMemberDone{false};
    auto job = [&](unsigned member) {
        if (member == 0) throw std::runtime_error("share 0 failed");
        if (member == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            lateMemberDone.store(true);
        }
        team.barrier();                  // member 0 never arrives
        team.awaitProgress(0, 1000000);  // nobody ever publishes this far
    };
    EXPECT_THROW(team.run(job, 3), std::runtime_error);
    EXPECT_TRUE(lateMemberDone.load());
    EXPECT_EQ(barrierMismatches(team, 3, 5), 0);
}

TEST(ThreadTeam, AWorkerWhoseShareThrowsHandsTheExceptionToTheCaller) {
    ThreadTeam team(2, 2);
    auto job = [&](unsigned member) {
        if (member == 1) throw std::logic_error("share 1 failed");
        team.barrier();
    };
    EXPECT_THROW(team.run(job, 2), std::logic_error);
}

TEST(ThreadTeam, ATeamWhoseMembersSleepEndsWhenDestroyed) {
    auto team = std::make_unique<ThreadTeam>(4, 4);
    std::atomic<int> ran{0};
    auto job = [&](unsigned) { ran.fetch_add(1); };
    team->run(job, 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past any polling: asleep
    team.reset();
    EXPECT_EQ(ran.load(), 4);
}

// ---- the crew from step times ---------------------------------------------

// Steps on a machine whose step time for each crew `secondsFor` gives; the seconds
// all the steps took together.
double runSteps(CrewChooser& chooser, int steps, const std::function<double(unsigned)>& secondsFor) {
    double total = 0.0;
    for (int k = 0; k < steps; ++k) {
        const double seconds = secondsFor(chooser.crew());
        chooser.stepTook(seconds);
        total += seconds;
    }
    return total;
}

const auto IDLE = [](unsigned crew) { return crew == 2 ? 0.6e-3 : 1.25e-3; };
const auto ONE_BUSY = [](unsigned crew) { return crew == 2 ? 5.8e-3 : 1.3e-3; };

TEST(CrewChooser, AnIdleMachineKeepsTheWholeTeamButForAFewTries) {
    CrewChooser chooser(2);
    const int steps = 20000;
    const double total = runSteps(chooser, steps, IDLE);
    EXPECT_EQ(chooser.crew(), 2u);
    EXPECT_LT(total, 1.02 * steps * IDLE(2));
}

// The member that shares a processor with another program holds up the others.
TEST(CrewChooser, ABusyProcessorCostsLittleMoreThanOneThreadWouldTake) {
    CrewChooser chooser(2);
    const int steps = 20000;
    const double total = runSteps(chooser, steps, ONE_BUSY);
    EXPECT_EQ(chooser.crew(), 1u);
    EXPECT_LT(total, 1.05 * steps * ONE_BUSY(1));
}

TEST(CrewChooser, TheWholeTeamComesBackOnceTheLoadHasGone) {
    CrewChooser chooser(2);
    runSteps(chooser, 50000, ONE_BUSY);
    int steps = 0;
    for (; chooser.crew() != 2 && steps < 100000; ++steps) chooser.stepTook(IDLE(chooser.crew()));
    // Tries back off to one every 64 × 0.25 s of steps, some 13,000 steps of 1.3 ms.
    EXPECT_LT(steps, 14000);
    runSteps(chooser, 100, IDLE);
    EXPECT_EQ(chooser.crew(), 2u);
}

TEST(CrewChooser, ALargerTeamWithOneBusyProcessorSettlesOnTheMembersLeft) {
    CrewChooser chooser(8);
    const auto oneOfEightBusy = [](unsigned crew) { return crew == 8 ? 20e-3 : 8e-3 / crew; };
    runSteps(chooser, 20000, oneOfEightBusy);
    EXPECT_EQ(chooser.crew(), 7u);
}

// Steps of a second (a huge grid): a size not timed yet is tried, never taken as if
// it had been timed faster.
TEST(CrewChooser, ASizeNotTimedYetIsTriedNotTakenForFaster) {
    CrewChooser chooser(4);
    runSteps(chooser, 3, [](unsigned) { return 1.0; });
    EXPECT_EQ(chooser.crew(), 3u);
}

// A step held up once (the program descheduled) among the three that judge a size
// does not condemn the size: their median judges it.
TEST(CrewChooser, OneHeldUpStepDoesNotCondemnASize) {
    CrewChooser chooser(2);
    for (const double seconds : {0.6e-3, 20e-3, 0.6e-3}) chooser.stepTook(seconds);
    runSteps(chooser, 3, IDLE);
    EXPECT_EQ(chooser.crew(), 2u);
}

// ---- SMOKE_THREADS ---------------------------------------------------------

TEST(ThreadCountFromEnvironment, AValueThatIsNotAWholeNumberInRangeIsRefusedByName) {
    for (const char* value : {"0", "-1", "abc", "1000", "", "3 ", "2x", "257"}) {
        SCOPED_TRACE(std::string("SMOKE_THREADS=\"") + value + "\"");
        std::string message;
        const ThreadCount count = threadsFromEnvironment(value, message);
        EXPECT_TRUE(count.adaptive);
        EXPECT_EQ(count.count, processorsAvailable());
        EXPECT_NE(message.find(std::string("SMOKE_THREADS=\"") + value + "\" is not a whole number"), std::string::npos)
            << message;
    }
}

TEST(ThreadCountFromEnvironment, AWholeNumberFixesTheCountAndOneBeyondTheProcessorsIsKeptWithANote) {
    std::string message;
    const ThreadCount one = threadsFromEnvironment("1", message);
    EXPECT_EQ(one.count, 1u);
    EXPECT_FALSE(one.adaptive);
    EXPECT_EQ(message, "");
    const ThreadCount many = threadsFromEnvironment("256", message);
    EXPECT_EQ(many.count, 256u);
    EXPECT_NE(message.find("will be slower"), std::string::npos) << message;
    const ThreadCount unset = threadsFromEnvironment(nullptr, message);
    EXPECT_TRUE(unset.adaptive);
    EXPECT_EQ(message, "");
}

}  // namespace
