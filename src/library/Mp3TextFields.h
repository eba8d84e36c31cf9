#pragma once

#include <cstddef>
#include <cstdint>

namespace tb {

// The tag-filled text fields of an MP3 analysis while it runs. Each field
// has a fixed capacity, terminator included, and is NUL-terminated: what a
// field can hold (a title of at most 99 characters, a year of at most 7) is
// part of what songs show, so the texts are cut exactly here.
class Mp3TextFields {
public:
    enum Id { Title, Album, Artist, Genre, Track, Year, Length, Count };
    static constexpr size_t Capacity[Count] = {100, 100, 100, 40, 20, 8, 20};
    static constexpr size_t MaxCapacity = 100;

    // Copies at most Capacity - 1 bytes and terminates; a NUL among them ends
    // the text early.
    void Set(Id field, const void* bytes, size_t n) noexcept;
    void Set(Id field, const char* text) noexcept;
    void SetNumber(Id field, uint32_t value) noexcept;
    void Clear(Id field) noexcept { text_[field][0] = 0; }

    const char* Get(Id field) const noexcept { return text_[field]; }
    size_t LengthOf(Id field) const noexcept;

private:
    char text_[Count][MaxCapacity] = {};
};

} // namespace tb
