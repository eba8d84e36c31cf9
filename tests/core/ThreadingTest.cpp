// Threads, events and semaphores, with real threads whose blocked waits only
// a Set or Release can end.
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/Semaphore.h"
#include "core/Thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <thread>

namespace tb {
namespace {

// Notes that it started, then waits for `release`; counts its deletion.
class Waiter : public Runnable {
public:
    Waiter(Event& release, std::atomic<int>& destroyed)
        : release_(release), destroyed_(destroyed) {}
    ~Waiter() override { ++destroyed_; }
    void Run() override {
        runOn = std::this_thread::get_id();
        started.Set();
        release_.Wait(60000);
        if (throws)
            throw std::runtime_error("escapes Run");
    }
    Event started;
    std::thread::id runOn;
    bool throws = false;

private:
    Event& release_;
    std::atomic<int>& destroyed_;
};

TEST(ThreadTest, EachObjectRunsOnItsOwnThreadAndOnlyOwnedOnesAreDeleted) {
    ASSERT_TRUE(WaitForThreads(30000)); // nothing left from other tests
    constexpr int Count = 50;
    Event release;
    std::atomic<int> destroyed{0};
    Waiter borrowed(release, destroyed);
    StartThread(borrowed);
    for (int i = 1; i < Count; ++i) {
        // Each starts while all before it still run, idle threads or none.
        auto waiter = std::make_unique<Waiter>(release, destroyed);
        waiter->throws = i % 2 == 0; // an exception ends only its object's work
        Event& started = waiter->started;
        StartThread(std::move(waiter));
        if (!started.Wait(30000)) {
            ADD_FAILURE() << "object " << i << " waits for a running one";
            break;
        }
    }
    EXPECT_TRUE(borrowed.started.Wait(30000));
    EXPECT_NE(borrowed.runOn, std::this_thread::get_id());
    EXPECT_EQ(RunningThreadCount(), Count);
    EXPECT_FALSE(WaitForThreads(20)); // still running: the wait is bounded
    EXPECT_EQ(destroyed, 0);
    release.Set();
    ASSERT_TRUE(WaitForThreads(30000));
    EXPECT_EQ(destroyed, Count - 1); // the borrowed one is left to its owner
    EXPECT_EQ(RunningThreadCount(), 0);
}

TEST(EventTest, ManualResetStaysSetAndAutoResetLetsOneWaitThrough) {
    for (Event::Mode mode : {Event::Mode::ManualReset, Event::Mode::AutoReset}) {
        const bool manual = mode == Event::Mode::ManualReset;
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        Event e(mode);
        EXPECT_FALSE(e.Wait(20)); // times out
        e.Set();
        e.Set(); // setting twice is still one signal
        EXPECT_TRUE(e.Wait(-1));
        EXPECT_EQ(e.Wait(0), manual);
        e.Set();
        EXPECT_TRUE(e.IsSet());
        EXPECT_EQ(e.IsSet(), manual); // testing takes an auto-reset signal too
        e.Reset();
        EXPECT_FALSE(e.Wait(0));
        Event initially(mode, true);
        EXPECT_TRUE(initially.Wait(0));
        EXPECT_EQ(initially.Wait(0), manual);
    }
}

TEST(SemaphoreTest, CountsBetweenZeroAndTheMaximum) {
    Semaphore s(1, 2);
    EXPECT_TRUE(s.Wait(-1));
    EXPECT_FALSE(s.Wait(20)); // times out
    s.Release(2);
    EXPECT_THROW(s.Release(), SemaphoreException); // 3 would pass the maximum
    EXPECT_TRUE(s.Wait(0));
    EXPECT_TRUE(s.Wait(0));
    EXPECT_FALSE(s.Wait(0)); // the failed release added nothing
    for (auto [initial, maximum] : {std::pair(2, 1), {-1, 1}, {0, 0}})
        EXPECT_THROW(Semaphore(initial, maximum), SemaphoreException) << initial << " " << maximum;
}

// The usual hand-over: one thread signals and the waiter, as soon as it sees
// the signal, destroys the object. The signalling call must not touch it
// afterwards.
TEST(SemaphoreTest, EventsAndSemaphoresMayBeDestroyedAsSoonAsTheyAreSignalled) {
    for (int round = 0; round < 2000; ++round) {
        auto e = std::make_unique<Event>();
        auto s = std::make_unique<Semaphore>(0, 1);
        std::thread signaller([event = e.get(), semaphore = s.get()] {
            event->Set();
            semaphore->Release();
        });
        while (!e->Wait(0)) {
        }
        e.reset();
        while (!s->Wait(0)) {
        }
        s.reset();
        signaller.join();
    }
}

} // namespace
} // namespace tb
