#pragma once

#include "core/Exceptions.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tb {

// A growable array of elements stored by value. Capacity starts at 0 and
// grows by max(growBy, capacity), which keeps the familiar steps 16, 32 for
// short lists while long ones grow geometrically. Bad indexes throw
// ArrayException. Not thread-safe.
template <typename T> class Array {
public:
    explicit Array(int32_t growBy = 16) : growBy_(growBy > 0 ? growBy : 16) {}

    int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
    bool IsEmpty() const noexcept { return items_.empty(); }

    T& At(int32_t index) {
        Check(index);
        return items_[static_cast<size_t>(index)];
    }
    const T& At(int32_t index) const {
        Check(index);
        return items_[static_cast<size_t>(index)];
    }

    void Add(T element) { InsertAt(Count(), std::move(element)); }

    void InsertAt(int32_t index, T element) {
        if (index < 0 || index > Count())
            throw ArrayException();
        if (items_.size() == items_.capacity())
            items_.reserve(items_.capacity() + std::max<size_t>(growBy_, items_.capacity()));
        items_.insert(items_.begin() + index, std::move(element));
    }

    void RemoveAt(int32_t index) {
        Check(index);
        items_.erase(items_.begin() + index);
    }

    void Clear() noexcept { items_.clear(); }

    auto begin() noexcept { return items_.begin(); }
    auto end() noexcept { return items_.end(); }
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    void Check(int32_t index) const {
        if (index < 0 || index >= Count())
            throw ArrayException();
    }

    std::vector<T> items_;
    size_t growBy_;
};

} // namespace tb
