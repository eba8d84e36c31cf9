#include "core/Thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <system_error>

namespace tb {
namespace {

// A thread that finished its object waits this long for the next one
// before it ends; at most this many wait at a time.
constexpr std::chrono::seconds IdleTimeout{10};
constexpr int32_t MaxIdleThreads = 256;

struct Start {
    Runnable* object;
    std::unique_ptr<Runnable> owned;
};

// Threads started here and the work waiting for an idle one. Never
// destroyed: idle threads may still wait on it while the process exits.
struct Pool {
    std::mutex mutex;
    std::condition_variable work;             // an object was queued
    std::condition_variable finished;         // an object's Run ended
    std::deque<std::unique_ptr<Start>> queue; // guarded by mutex
    int32_t running = 0;                      // guarded by mutex: objects not yet finished
    int32_t idle = 0;                         // guarded by mutex
};

Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

void RunOne(std::unique_ptr<Start> start) {
    try {
        start->object->Run();
    } catch (...) {
        // The thread's owner logs what it must; a stray exception must not
        // take the process down.
    }
}

void* ThreadMain(void* argument) {
    std::unique_ptr<Start> start(static_cast<Start*>(argument));
    Pool& pool = ThePool();
    for (;;) {
        RunOne(std::move(start));
        std::unique_lock lock(pool.mutex);
        --pool.running;
        pool.finished.notify_all();
        if (pool.idle >= MaxIdleThreads)
            return nullptr;
        ++pool.idle;
        bool more = pool.work.wait_for(lock, IdleTimeout, [&pool] { return !pool.queue.empty(); });
        --pool.idle;
        if (!more)
            return nullptr;
        start = std::move(pool.queue.front());
        pool.queue.pop_front();
    }
}

void Launch(std::unique_ptr<Start> start) {
    Pool& pool = ThePool();
    {
        std::lock_guard lock(pool.mutex);
        ++pool.running;
        // An idle thread that is not yet spoken for takes it.
        if (pool.idle > static_cast<int32_t>(pool.queue.size())) {
            pool.queue.push_back(std::move(start));
            pool.work.notify_one();
            return;
        }
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, ThreadStackSize());
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int error = pthread_create(&thread, &attributes, ThreadMain, start.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        std::lock_guard lock(pool.mutex);
        --pool.running;
        pool.finished.notify_all();
        throw std::system_error(error, std::generic_category(), "pthread_create");
    }
    start.release();
}

} // namespace

size_t ThreadStackSize() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 4 * 1024 * 1024; // sanitizers multiply stack use
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return 4 * 1024 * 1024;
#else
    return 256 * 1024;
#endif
#else
    return 256 * 1024;
#endif
}

void StartThread(std::unique_ptr<Runnable> object) {
    auto start = std::make_unique<Start>();
    start->object = object.get();
    start->owned = std::move(object);
    Launch(std::move(start));
}

void StartThread(Runnable& object) {
    auto start = std::make_unique<Start>();
    start->object = &object;
    Launch(std::move(start));
}

int32_t RunningThreadCount() {
    Pool& pool = ThePool();
    std::lock_guard lock(pool.mutex);
    return pool.running;
}

bool WaitForThreads(int32_t milliseconds) {
    Pool& pool = ThePool();
    std::unique_lock lock(pool.mutex);
    return pool.finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&pool] { return pool.running == 0; });
}

} // namespace tb
