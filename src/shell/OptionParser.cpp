#include "shell/OptionParser.h"

#include <algorithm>

namespace tb {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& word) {
    return std::find(names.begin(), names.end(), word) != names.end();
}

} // namespace

const std::string* ParsedOptions::Find(const std::string& name) const {
    for (auto it = named.rbegin(); it != named.rend(); ++it)
        if (it->first == name)
            return &it->second;
    return nullptr;
}

ParsedOptions ParseOptions(const std::vector<std::string>& words, const KnownOptions& known) {
    ParsedOptions parsed;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (Contains(known.withValue, word)) {
            if (i + 1 >= words.size())
                throw UsageError(word + " needs a value");
            parsed.named.emplace_back(word, words[++i]);
        } else if (Contains(known.flags, word)) {
            parsed.named.emplace_back(word, "");
        } else if (word.starts_with("-") && word.size() > 1 && !known.keepUnknown) {
            throw UsageError("unknown option " + word);
        } else {
            parsed.positional.push_back(word);
        }
    }
    return parsed;
}

} // namespace tb
