#include "core/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <system_error>

namespace tb {
namespace {

struct Tracker {
    std::mutex mutex;
    std::condition_variable finished;
    int32_t running = 0; // guarded by mutex
};

Tracker& TheTracker() {
    static Tracker tracker;
    return tracker;
}

struct Start {
    Runnable* object;
    std::unique_ptr<Runnable> owned;
};

void* ThreadMain(void* argument) {
    std::unique_ptr<Start> start(static_cast<Start*>(argument));
    try {
        start->object->Run();
    } catch (...) {
        // The thread's owner logs what it must; a stray exception must not
        // take the process down.
    }
    start.reset();
    Tracker& t = TheTracker();
    std::lock_guard lock(t.mutex);
    --t.running;
    t.finished.notify_all();
    return nullptr;
}

void Launch(std::unique_ptr<Start> start) {
    Tracker& t = TheTracker();
    {
        std::lock_guard lock(t.mutex);
        ++t.running;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, ThreadStackSize());
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int error = pthread_create(&thread, &attributes, ThreadMain, start.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        std::lock_guard lock(t.mutex);
        --t.running;
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
    Tracker& t = TheTracker();
    std::lock_guard lock(t.mutex);
    return t.running;
}

bool WaitForThreads(int32_t milliseconds) {
    Tracker& t = TheTracker();
    std::unique_lock lock(t.mutex);
    return t.finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [&t] { return t.running == 0; });
}

} // namespace tb
