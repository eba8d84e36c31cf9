#include "core/Thread.h"

#include "core/Event.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <thread>

namespace tb {
namespace {

class Recorder : public Runnable {
public:
    Recorder(std::atomic<int>& destroyed, Event& release)
        : destroyed_(destroyed), release_(release) {}
    ~Recorder() override { ++destroyed_; }
    void Run() override { release_.Wait(60000); }

private:
    std::atomic<int>& destroyed_;
    Event& release_;
};

class Thrower : public Runnable {
public:
    void Run() override { throw std::runtime_error("escapes Run"); }
};

class Waiter : public Runnable {
public:
    explicit Waiter(Event& release) : release_(release) {}
    void Run() override {
        runOn = std::this_thread::get_id();
        started.Set();
        release_.Wait(60000);
        ran = true;
    }
    Event started;
    std::thread::id runOn;
    std::atomic<bool> ran{false};

private:
    Event& release_;
};

TEST(ThreadTest, AnOwnedObjectRunsOnItsOwnThreadAndIsDeletedAfterwards) {
    ASSERT_TRUE(WaitForThreads(30000)); // nothing left from other tests
    std::atomic<int> destroyed{0};
    Event release;
    auto recorder = std::make_unique<Recorder>(destroyed, release);
    StartThread(std::move(recorder));
    EXPECT_EQ(RunningThreadCount(), 1);
    EXPECT_EQ(destroyed, 0);
    release.Set();
    ASSERT_TRUE(WaitForThreads(30000));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(RunningThreadCount(), 0);
}

TEST(ThreadTest, ABorrowedObjectIsLeftToItsOwner) {
    Event release;
    Waiter waiter(release);
    StartThread(waiter);
    ASSERT_TRUE(waiter.started.Wait(30000));
    EXPECT_FALSE(WaitForThreads(50)); // still running: the wait is bounded
    EXPECT_EQ(RunningThreadCount(), 1);
    release.Set();
    ASSERT_TRUE(WaitForThreads(30000));
    EXPECT_TRUE(waiter.ran);
    EXPECT_NE(waiter.runOn, std::this_thread::get_id());
}

TEST(ThreadTest, AnExceptionEndsOnlyItsThread) {
    StartThread(std::make_unique<Thrower>());
    ASSERT_TRUE(WaitForThreads(30000));
    EXPECT_EQ(RunningThreadCount(), 0);
}

TEST(ThreadTest, WaitForThreadsWaitsForAllOfThem) {
    constexpr int Count = 50;
    Event release;
    std::atomic<int> destroyed{0};
    for (int i = 0; i < Count; ++i)
        StartThread(std::make_unique<Recorder>(destroyed, release));
    EXPECT_EQ(RunningThreadCount(), Count);
    EXPECT_FALSE(WaitForThreads(20));
    release.Set();
    EXPECT_TRUE(WaitForThreads(30000));
    EXPECT_EQ(destroyed, Count);
    EXPECT_EQ(RunningThreadCount(), 0);
    EXPECT_TRUE(WaitForThreads(0));
}

class DeepStack : public Runnable {
public:
    explicit DeepStack(Event& done) : done_(done) {}
    void Run() override {
        // A connection thread's handlers use some tens of kilobytes of stack.
        volatile char block[64 * 1024];
        for (size_t i = 0; i < sizeof block; i += 512)
            block[i] = static_cast<char>(i);
        sum = 0;
        for (size_t i = 0; i < sizeof block; i += 512)
            sum += block[i];
        done_.Set();
    }
    int sum = -1;

private:
    Event& done_;
};

TEST(ThreadTest, ThreadsHaveRoomForOrdinaryStackUse) {
    EXPECT_GE(ThreadStackSize(), 128u * 1024);
    Event done;
    DeepStack job(done);
    StartThread(job);
    ASSERT_TRUE(done.Wait(30000));
    ASSERT_TRUE(WaitForThreads(30000));
    EXPECT_NE(job.sum, -1);
}

} // namespace
} // namespace tb
