#include "core/LineQueue.h"

#include <utility>

namespace tb {

void LineQueue::Push(String line) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || lines_.size() >= capacity_) {
            ++dropped_;
            return;
        }
        lines_.push_back(std::move(line));
    }
    ready_.notify_one();
}

void LineQueue::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    ready_.notify_one();
}

void LineQueue::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    ready_.notify_one();
}

LineQueue::Batch LineQueue::Take() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !lines_.empty() || woken_ || closed_; });
    Batch batch;
    batch.lines.assign(std::make_move_iterator(lines_.begin()),
                       std::make_move_iterator(lines_.end()));
    lines_.clear();
    batch.dropped = std::exchange(dropped_, 0);
    batch.closed = closed_;
    woken_ = false;
    return batch;
}

} // namespace tb
