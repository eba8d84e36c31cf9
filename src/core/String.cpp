#include "core/String.h"

#include "core/Exceptions.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

namespace tb {
namespace {

// The shared empty text: never counted, never freed.
struct EmptyStorage {
    std::atomic<int32_t> references{1};
    int32_t length = 0;
    int32_t capacity = 1;
    char chars[4] = {0, 0, 0, 0};
};
EmptyStorage emptyStorage;

bool IsTrimSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

String::Header* String::EmptyBuffer() noexcept {
    static_assert(sizeof(Header) == 12, "buffer header is three 32-bit fields");
    return reinterpret_cast<Header*>(&emptyStorage);
}

String::Header* String::Allocate(int32_t length) {
    if (length == 0)
        return EmptyBuffer();
    // Blocks come in 16-byte steps: header, characters, terminator, slack.
    int64_t block = (static_cast<int64_t>(length) + 28) & ~int64_t{15};
    if (block > INT32_MAX)
        throw std::bad_alloc();
    auto* h = static_cast<Header*>(::operator new(static_cast<size_t>(block)));
    new (&h->references) std::atomic<int32_t>(1);
    h->length = length;
    h->capacity = static_cast<int32_t>(block - sizeof(Header));
    Chars(h)[length] = 0;
    return h;
}

void String::AddReference(Header* h) noexcept {
    if (h != EmptyBuffer())
        h->references.fetch_add(1, std::memory_order_relaxed);
}

void String::ReleaseReference(Header* h) noexcept {
    if (h != EmptyBuffer() && h->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        ::operator delete(h);
}

String::String() noexcept : buffer_(EmptyBuffer()) {}

String::String(const char* text) : String(text, text ? static_cast<int32_t>(strlen(text)) : 0) {}

String::String(const char* text, int32_t length) : buffer_(Allocate(length > 0 ? length : 0)) {
    if (length > 0)
        memcpy(Chars(buffer_), text, static_cast<size_t>(length));
}

String::String(std::string_view text) : String(text.data(), static_cast<int32_t>(text.size())) {}

String::String(const String& other) noexcept : buffer_(other.buffer_) {
    AddReference(buffer_);
}

String::String(String&& other) noexcept : buffer_(other.buffer_) {
    other.buffer_ = EmptyBuffer();
}

String::~String() {
    ReleaseReference(buffer_);
}

String& String::operator=(const String& other) noexcept {
    AddReference(other.buffer_);
    ReleaseReference(buffer_);
    buffer_ = other.buffer_;
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        ReleaseReference(buffer_);
        buffer_ = other.buffer_;
        other.buffer_ = EmptyBuffer();
    }
    return *this;
}

String& String::operator=(const char* text) {
    int32_t n = text ? static_cast<int32_t>(strlen(text)) : 0;
    bool sole = buffer_ != EmptyBuffer() && buffer_->references.load() == 1;
    if (sole && n > 0 && buffer_->capacity >= n + 1) {
        memmove(Chars(buffer_), text, static_cast<size_t>(n));
        buffer_->length = n;
        Chars(buffer_)[n] = 0;
        return *this;
    }
    String fresh(text, n);
    return *this = std::move(fresh);
}

int32_t String::Length() const noexcept {
    return buffer_->length;
}

const char* String::c_str() const noexcept {
    return Chars(buffer_);
}

char String::At(int32_t index) const {
    if (index < 0 || index > buffer_->length)
        throw StringIndexOutOfBoundsException(index);
    return Chars(buffer_)[index];
}

String operator+(const String& a, const String& b) {
    String r(String::Allocate(a.Length() + b.Length()));
    memcpy(String::Chars(r.buffer_), a.c_str(), static_cast<size_t>(a.Length()));
    memcpy(String::Chars(r.buffer_) + a.Length(), b.c_str(), static_cast<size_t>(b.Length()));
    return r;
}

String operator+(const char* a, const String& b) {
    return String(a) + b;
}

String operator+(const String& a, const char* b) {
    return a + String(b);
}

String operator+(const String& a, char c) {
    return a + String(&c, 1);
}

String& String::operator+=(const char* text) {
    return Append(text, static_cast<int32_t>(strlen(text)));
}

void String::MakeWritable(int32_t extra) {
    int32_t length = buffer_->length;
    bool shared = buffer_ == EmptyBuffer() || buffer_->references.load() > 1;
    if (!shared && buffer_->capacity >= length + 1 + extra)
        return;
    if (buffer_ == EmptyBuffer() && extra == 0)
        return; // nothing will be written: the shared empty text stays
    // Room for one character at least: a shared buffer cut to length 0 still
    // needs a private copy, and Allocate(0) would hand back the empty one.
    int64_t room = std::max<int64_t>(int64_t{length} + extra, 1);
    // A private text that keeps growing (a page built item by item) doubles,
    // so that appending stays linear overall.
    if (!shared)
        room = std::max<int64_t>(room,
                                 std::min<int64_t>(2 * int64_t{buffer_->capacity}, INT32_MAX / 2));
    Header* fresh = Allocate(static_cast<int32_t>(room));
    memcpy(Chars(fresh), Chars(buffer_), static_cast<size_t>(length) + 1);
    fresh->length = length;
    ReleaseReference(buffer_);
    buffer_ = fresh;
}

String& String::Append(const char* text, int32_t length) {
    if (length <= 0)
        return *this;
    // `text` may point into our own buffer: keeping a second reference
    // makes MakeWritable copy instead of reallocating it away.
    String keepAlive;
    if (text >= c_str() && text <= c_str() + Length())
        keepAlive = *this;
    MakeWritable(length);
    memcpy(Chars(buffer_) + buffer_->length, text, static_cast<size_t>(length));
    buffer_->length += length;
    Chars(buffer_)[buffer_->length] = 0;
    return *this;
}

bool String::operator==(const char* text) const noexcept {
    return text && strlen(text) == static_cast<size_t>(Length()) &&
           memcmp(c_str(), text, Length()) == 0;
}

bool operator==(const char* text, const String& s) noexcept {
    return s == text;
}

bool String::StartsWith(std::string_view prefix) const noexcept {
    return View().substr(0, prefix.size()) == prefix;
}

int32_t String::Find(std::string_view text, int32_t from) const noexcept {
    if (from < 0 || from > Length())
        return -1;
    size_t at = View().find(text, static_cast<size_t>(from));
    return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

int32_t String::Find(char c, int32_t from) const noexcept {
    return Find(std::string_view(&c, 1), from);
}

String String::Mid(int32_t start, int32_t count) const {
    if (start < 0)
        start = 0;
    if (start >= Length())
        return String();
    int32_t available = Length() - start;
    if (count < 0 || count > available)
        count = available;
    if (start == 0 && count == Length())
        return *this;
    return String(c_str() + start, count);
}

char* String::GetBuffer(int32_t minimum) {
    int32_t extra = minimum > Length() ? minimum - Length() : 0;
    if (minimum <= 0 && buffer_ == EmptyBuffer())
        extra = 1; // never hand out the shared empty buffer for writing
    MakeWritable(extra);
    return Chars(buffer_);
}

void String::ReleaseBuffer(int32_t n) {
    MakeWritable(0);
    if (buffer_ == EmptyBuffer())
        return;
    if (n < 0)
        n = 0;
    if (n > buffer_->capacity - 1)
        n = buffer_->capacity - 1;
    buffer_->length = n;
    Chars(buffer_)[n] = 0;
}

void String::ReleaseBuffer() {
    if (buffer_ == EmptyBuffer())
        return;
    MakeWritable(0);
    ReleaseBuffer(static_cast<int32_t>(strnlen(Chars(buffer_), buffer_->capacity - 1)));
}

String String::FromUnsigned(uint32_t value, int radix) {
    if (radix < 2 || radix > 36)
        radix = 10;
    char digits[33];
    int pos = 32;
    digits[pos] = 0;
    do {
        digits[--pos] = "0123456789abcdefghijklmnopqrstuvwxyz"[value % radix];
        value /= radix;
    } while (value);
    return String(digits + pos, 32 - pos);
}

String String::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    String r;
    if (n > 0) {
        r.buffer_ = Allocate(n);
        vsnprintf(Chars(r.buffer_), static_cast<size_t>(n) + 1, format, again);
    }
    va_end(again);
    return r;
}

String String::Trim() const {
    int32_t begin = 0, end = Length();
    const char* s = c_str();
    while (begin < end && IsTrimSpace(s[begin]))
        ++begin;
    while (end > begin && IsTrimSpace(s[end - 1]))
        --end;
    return Mid(begin, end - begin);
}

String String::ReplaceAll(std::string_view find, std::string_view replacement) const {
    if (find.empty())
        return *this;
    int32_t at = Find(find);
    if (at < 0)
        return *this;
    String result;
    int32_t from = 0;
    while (at >= 0) {
        result.Append(c_str() + from, at - from);
        result.Append(replacement.data(), static_cast<int32_t>(replacement.size()));
        from = at + static_cast<int32_t>(find.size());
        at = Find(find, from);
    }
    result.Append(c_str() + from, Length() - from);
    return result;
}

} // namespace tb
