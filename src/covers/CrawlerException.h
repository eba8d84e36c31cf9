#pragma once

#include <exception>

namespace tb {

// A cover search cannot go on: a page lacks a part it needs, an answer is
// not what it should be, or the program is ending. Carries nothing; every
// site search catches it and reports that it found nothing.
class DizerOviziraObjectException : public std::exception {
public:
    const char* what() const noexcept override { return "cover search stopped"; }
};

} // namespace tb
