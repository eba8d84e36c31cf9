#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace tb {

// 8-bit text with a shared, reference-counted buffer and copy-on-write.
// Copies share the buffer; the first in-place change of a shared buffer
// makes a private copy. Text may contain NUL bytes; the buffer is always
// NUL-terminated at Length(). The reference count is atomic, so copies of
// one String may be made and released on different threads, but a single
// String object is used by one thread at a time.
class String {
public:
    String() noexcept;
    String(const char* text); // NOLINT: implicit from literals on purpose
    String(const char* text, int32_t length);
    explicit String(std::string_view text);
    String(const String& other) noexcept;
    String(String&& other) noexcept;
    ~String();

    String& operator=(const String& other) noexcept;
    String& operator=(String&& other) noexcept;
    String& operator=(const char* text);

    int32_t Length() const noexcept;
    bool IsEmpty() const noexcept { return Length() == 0; }
    const char* c_str() const noexcept;
    std::string_view View() const noexcept { return {c_str(), static_cast<size_t>(Length())}; }
    // Character at index; At(Length()) is the terminating 0. Throws
    // StringIndexOutOfBoundsException outside 0..Length().
    char At(int32_t index) const;

    friend String operator+(const String& a, const String& b);
    friend String operator+(const char* a, const String& b);
    friend String operator+(const String& a, const char* b);
    friend String operator+(const String& a, char c);
    String& operator+=(const String& other) { return Append(other.c_str(), other.Length()); }
    String& operator+=(const char* text);
    String& operator+=(char c) { return Append(&c, 1); }
    String& Append(const char* text, int32_t length);

    // Byte-wise, case-sensitive.
    bool operator==(const char* text) const noexcept;
    bool operator!=(const char* text) const noexcept { return !(*this == text); }
    bool operator==(const String& other) const noexcept { return View() == other.View(); }
    bool operator!=(const String& other) const noexcept { return !(*this == other); }
    bool operator<(const String& other) const noexcept { return View() < other.View(); }

    bool StartsWith(std::string_view prefix) const noexcept;
    // Position of the first occurrence at or after `from`, or -1.
    int32_t Find(std::string_view text, int32_t from = 0) const noexcept;
    int32_t Find(char c, int32_t from = 0) const noexcept;
    // Up to `count` characters from `start` (all of the rest when count < 0),
    // clamped to the text.
    String Mid(int32_t start, int32_t count = -1) const;

    // Writable room for at least `minimum` characters (plus terminator).
    char* GetBuffer(int32_t minimum);
    // Sets the length to n, clamped to capacity - 1, and terminates.
    void ReleaseBuffer(int32_t n);
    // Length = position of the first NUL within capacity - 1.
    void ReleaseBuffer();

    static String FromUnsigned(uint32_t value, int radix = 10);
    // printf-style formatting into a new String.
    static String Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // A copy without leading and trailing space, tab, CR, LF, VT and FF.
    String Trim() const;
    // Every non-overlapping occurrence of `find`, left to right, replaced.
    // Shares this buffer when nothing matched.
    String ReplaceAll(std::string_view find, std::string_view replacement) const;

private:
    struct Header {
        std::atomic<int32_t> references;
        int32_t length;
        int32_t capacity;
    };

    explicit String(Header* buffer) noexcept : buffer_(buffer) {}
    static Header* Allocate(int32_t length);
    static Header* EmptyBuffer() noexcept;
    static char* Chars(Header* h) noexcept { return reinterpret_cast<char*>(h + 1); }
    static void AddReference(Header* h) noexcept;
    static void ReleaseReference(Header* h) noexcept;
    // Makes the buffer private with room for `extra` more characters.
    void MakeWritable(int32_t extra);

    Header* buffer_;
};

bool operator==(const char* text, const String& s) noexcept;

} // namespace tb
