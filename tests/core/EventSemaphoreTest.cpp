#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/Semaphore.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace tb {
namespace {

using namespace std::chrono_literals;

// Polls for a condition that other threads bring about; the bound only keeps
// a broken build from hanging.
template <typename Condition> bool Eventually(Condition condition) {
    auto end = std::chrono::steady_clock::now() + 30s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(EventTest, ManualResetStaysSetUntilReset) {
    Event e;
    EXPECT_FALSE(e.Wait(0));
    EXPECT_FALSE(e.IsSet());
    e.Set();
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait(-1));
    e.Reset();
    EXPECT_FALSE(e.Wait(0));
    EXPECT_FALSE(e.Wait(20)); // times out

    Event initially(Event::Mode::ManualReset, true);
    EXPECT_TRUE(initially.IsSet());
}

TEST(EventTest, AutoResetIsConsumedByOneWait) {
    Event e(Event::Mode::AutoReset);
    EXPECT_FALSE(e.Wait(0));
    e.Set();
    e.Set(); // setting twice is still one signal
    EXPECT_TRUE(e.Wait(0));
    EXPECT_FALSE(e.Wait(0));
    Event initially(Event::Mode::AutoReset, true);
    EXPECT_TRUE(initially.Wait(0));
    EXPECT_FALSE(initially.Wait(0));
    e.Set();
    EXPECT_TRUE(e.IsSet()); // testing takes the signal too
    EXPECT_FALSE(e.IsSet());
}

TEST(EventTest, AutoResetLetsExactlyOneWaiterThrough) {
    Event e(Event::Mode::AutoReset);
    constexpr int Waiters = 4;
    std::atomic<int> waiting{0};
    std::atomic<int> passed{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < Waiters; ++i)
        threads.emplace_back([&] {
            ++waiting;
            if (e.Wait(60000))
                ++passed;
        });
    ASSERT_TRUE(Eventually([&] { return waiting == Waiters; }));
    std::this_thread::sleep_for(50ms); // into their waits
    e.Set();
    ASSERT_TRUE(Eventually([&] { return passed == 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(passed, 1);
    EXPECT_FALSE(e.Wait(0)); // the one that went through took the signal

    // Release the rest one at a time.
    EXPECT_TRUE(Eventually([&] {
        e.Set();
        return passed == Waiters;
    }));
    for (auto& t : threads)
        t.join();
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
    Event e;
    std::atomic<int> passed{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            if (e.Wait(-1))
                ++passed;
        });
    std::this_thread::sleep_for(50ms);
    e.Set();
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(passed, 4);
    EXPECT_TRUE(e.IsSet());
}

// The usual hand-over: one thread sets the event and the waiter, as soon as
// it sees it, destroys the event. Set must not touch the object afterwards.
TEST(EventTest, AnEventMayBeDestroyedAsSoonAsItIsSeenSet) {
    for (int round = 0; round < 2000; ++round) {
        auto e = std::make_unique<Event>();
        std::thread setter([event = e.get()] { event->Set(); });
        while (!e->Wait(0)) {
        }
        e.reset();
        setter.join();
    }
}

TEST(SemaphoreTest, WaitZeroOnAnEmptySemaphoreFailsAtOnce) {
    Semaphore s(0, 1);
    EXPECT_FALSE(s.Wait(0));
    EXPECT_FALSE(s.Wait(20));
    s.Release();
    EXPECT_TRUE(s.Wait(0));
    EXPECT_FALSE(s.Wait(0));

    Semaphore two(2, 5);
    EXPECT_TRUE(two.Wait(0));
    EXPECT_TRUE(two.Wait(-1));
    EXPECT_FALSE(two.Wait(0));
    two.Release(3);
    EXPECT_TRUE(two.Wait(0));
    EXPECT_TRUE(two.Wait(0));
    EXPECT_TRUE(two.Wait(0));
    EXPECT_FALSE(two.Wait(0));
}

TEST(SemaphoreTest, ReleasePastTheMaximumThrows) {
    Semaphore lock(1, 1);
    try {
        lock.Release();
        FAIL() << "no exception";
    } catch (const GeneralException& e) {
        EXPECT_EQ(e.Value(), 298); // the classic "too many posts"
    }
    // The failed release added nothing.
    EXPECT_TRUE(lock.Wait(0));
    EXPECT_FALSE(lock.Wait(0));

    Semaphore s(1, 3);
    EXPECT_THROW(s.Release(3), SemaphoreException);
    s.Release(2);
    EXPECT_THROW(s.Release(1), SemaphoreException);

    EXPECT_THROW(Semaphore(2, 1), SemaphoreException);
    EXPECT_THROW(Semaphore(-1, 1), SemaphoreException);
    EXPECT_THROW(Semaphore(0, 0), SemaphoreException);
}

TEST(SemaphoreTest, ReleaseWakesABlockedWaiter) {
    Semaphore s(0, 1);
    std::atomic<bool> acquired{false};
    std::thread waiter([&] { acquired = s.Wait(60000); });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(acquired);
    s.Release();
    waiter.join();
    EXPECT_TRUE(acquired);
    EXPECT_FALSE(s.Wait(0));
}

TEST(SemaphoreTest, AsALockItAdmitsOneThreadAtATime) {
    Semaphore lock(1, 1);
    int inside = 0; // guarded by lock
    int most = 0;   // guarded by lock
    long total = 0; // guarded by lock
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                ASSERT_TRUE(lock.Wait(-1));
                ++inside;
                if (inside > most)
                    most = inside;
                ++total;
                --inside;
                lock.Release();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(most, 1);
    EXPECT_EQ(total, 8000);
}

TEST(SemaphoreTest, ASemaphoreMayBeDestroyedAsSoonAsItIsTaken) {
    for (int round = 0; round < 2000; ++round) {
        auto s = std::make_unique<Semaphore>(0, 1);
        std::thread releaser([semaphore = s.get()] { semaphore->Release(); });
        while (!s->Wait(0)) {
        }
        s.reset();
        releaser.join();
    }
}

} // namespace
} // namespace tb
