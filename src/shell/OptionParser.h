#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tb {

// A command line that does not make sense (exit status 2, with usage).
class UsageError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The program's one reader of command-line words: options are "--flag" or
// "--name value", in any order between the positional words.
struct KnownOptions {
    std::vector<std::string> withValue;
    std::vector<std::string> flags;
    // Unknown "--words" stay among the positional words (for a later,
    // narrower parse) instead of failing.
    bool keepUnknown = false;
};

struct ParsedOptions {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> named; // flags with ""

    // The value given last for `name`, or null.
    const std::string* Find(const std::string& name) const;
    bool Has(const std::string& name) const { return Find(name) != nullptr; }
};

// Throws UsageError for an unknown option or a missing value.
ParsedOptions ParseOptions(const std::vector<std::string>& words, const KnownOptions& known);

} // namespace tb
