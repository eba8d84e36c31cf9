#include "shell/ConsoleLog.h"

#include "core/DateTime.h"
#include "core/Event.h"
#include "core/LineQueue.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace tb {

constexpr auto ExitWait = std::chrono::seconds(2);

struct ConsoleLog::Output {
    Output(int fd, bool terminal) : fd(fd), terminal(terminal) {}

    void Run();
    void Write(std::string_view text);

    const int fd;
    const bool terminal;
    LineQueue queue{QueuedLines};
    std::mutex mutex;
    std::condition_variable ended;
    String status;              // guarded by mutex
    bool statusChanged = false; // guarded by mutex
    bool done = false;          // guarded by mutex
};

// Plain write(2): the C library's stream lock would be held by a writer
// stuck on a full pipe, and the exit's flush of standard output would then
// wait for it for ever.
void ConsoleLog::Output::Write(std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the output is gone; nothing else can be done
        text.remove_prefix(static_cast<size_t>(n));
    }
}

void ConsoleLog::Output::Run() {
    for (bool closed = false; !closed;) {
        LineQueue::Batch batch = queue.Take();
        closed = batch.closed;
        String shownStatus;
        bool redraw = false;
        {
            std::lock_guard lock(mutex);
            shownStatus = status;
            redraw = std::exchange(statusChanged, false);
        }
        redraw |= !batch.lines.empty() || batch.dropped > 0;
        String text = terminal && redraw ? "\r\033[K" : "";
        for (const String& line : batch.lines)
            text += line + "\n";
        if (batch.dropped > 0)
            text += String::Format("(%llu log lines were dropped: the log output was not read)\n",
                                   static_cast<unsigned long long>(batch.dropped));
        if (terminal && redraw)
            text += shownStatus;
        Write(text.View());
    }
    std::lock_guard lock(mutex);
    done = true;
    ended.notify_all();
}

ConsoleLog::ConsoleLog(int fd, const Event& quit, bool terminal, bool stamped)
    : quit_(quit), terminal_(terminal), stamped_(stamped),
      output_(std::make_shared<Output>(fd, terminal)),
      writer_([output = output_] { output->Run(); }) {}

ConsoleLog::~ConsoleLog() {
    output_->queue.Close();
    std::unique_lock lock(output_->mutex);
    if (output_->ended.wait_for(lock, ExitWait, [this] { return output_->done; })) {
        lock.unlock();
        writer_.join();
    } else {
        writer_.detach(); // it holds its own share of the output
    }
}

void ConsoleLog::AddLine(const String& line) {
    Queue(line.ReplaceAll("\r\n", "\n"));
}

void ConsoleLog::Notify(const String& title, const String& text) {
    Queue(title + ": " + text.ReplaceAll("\r\n", " "));
}

void ConsoleLog::SetStatusLine(const String& text) {
    if (!terminal_)
        return;
    {
        std::lock_guard lock(output_->mutex);
        output_->status = text;
        output_->statusChanged = true;
    }
    output_->queue.Wake();
}

void ConsoleLog::Queue(const String& text) {
    if (quit_.IsSet())
        return;
    if (!stamped_) {
        output_->queue.Push(text);
        return;
    }
    DateTime now = DateTime::Now();
    const SystemTime& t = now.GetSystemTime();
    output_->queue.Push(String::Format("%04u-%02u-%02uT%02u:%02u:%02u ", t.year, t.month, t.day,
                                       t.hour, t.minute, t.second) +
                        text);
}

} // namespace tb
