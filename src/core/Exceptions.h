#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tb {

// Base of the library exceptions that carry one 32-bit value (an index, an
// error code, a marker). Library code throws these and never logs.
class GeneralException : public std::exception {
public:
    GeneralException(const char* kind, int32_t value);
    int32_t Value() const noexcept { return value_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    int32_t value_;
    std::string message_;
};

class StringIndexOutOfBoundsException : public GeneralException {
public:
    explicit StringIndexOutOfBoundsException(int32_t index)
        : GeneralException("string index out of bounds", index) {}
};

class ArrayException : public GeneralException {
public:
    ArrayException() : GeneralException("array index out of bounds", 0) {}
};

class TagValueCollectionException : public GeneralException {
public:
    TagValueCollectionException() : GeneralException("header line without separator", -1) {}
};

// Carries errno, or PeerClosed when the other side ended the connection.
class SocketException : public GeneralException {
public:
    static constexpr int32_t PeerClosed = 11907;
    explicit SocketException(int32_t code) : GeneralException("socket error", code) {}
};

class IPAddressException : public GeneralException {
public:
    IPAddressException() : GeneralException("malformed IP address", -1) {}
};

class SemaphoreException : public GeneralException {
public:
    static constexpr int32_t TooManyPosts = 298;
    explicit SemaphoreException(int32_t code) : GeneralException("semaphore error", code) {}
};

// Date and time errors form their own family.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(const char* message) : message_(message) {}
    const char* what() const noexcept override { return message_; }

private:
    const char* message_;
};

class APIError : public RuntimeError {
public:
    APIError(const char* message, int32_t code) : RuntimeError(message), code_(code) {}
    int32_t Code() const noexcept { return code_; }

private:
    int32_t code_;
};

class DateTimeBoundError : public RuntimeError {
public:
    DateTimeBoundError() : RuntimeError("date or time value out of range") {}
};

class DateTimeInitError : public RuntimeError {
public:
    DateTimeInitError() : RuntimeError("date and time not set") {}
};

class DateTimeError : public APIError {
public:
    explicit DateTimeError(int32_t code) : APIError("date and time conversion failed", code) {}
};

// Stands alone: a malformed XML document. The value is always false.
class XmlTagException : public std::exception {
public:
    bool Value() const noexcept { return false; }
    const char* what() const noexcept override { return "malformed XML"; }
};

} // namespace tb
