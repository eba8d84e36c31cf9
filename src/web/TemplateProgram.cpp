#include "web/TemplateProgram.h"

#include "core/BuiltInResources.h"
#include "core/FileDescriptor.h"
#include "core/Path.h"

namespace tb {
namespace {

// A template file larger than this is no page template; the built-in one
// is used instead of holding such a file in memory for every user.
constexpr int64_t MaxTemplateBytes = 16 << 20;

const char* const SectionMarkers[2 * TemplateSectionCount] = {
    "<!-- Start history section -->", "<!-- End history section -->",
    "<!-- Start file section -->",    "<!-- End file section -->",
    "<!-- Start folder section -->",  "<!-- End folder section -->",
};

// Start and end marker of each condition, in condition order.
const char* const ConditionMarkers[2 * TemplateConditionCount] = {
    "<!-- If folders -->",         "<!-- End if folders -->",    "<!-- If files -->",
    "<!-- End if files -->",       "<!-- If image -->",          "<!-- End if image -->",
    "<!-- If back image -->",      "<!-- End if back image -->", "<!-- If recommended -->",
    "<!-- End if recommended -->", "<!-- If comment -->",        "<!-- End if comment -->",
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `tag` stands at the start of `rest`, letter case ignored.
bool TagAt(std::string_view rest, std::string_view tag) {
    if (rest.size() < tag.size())
        return false;
    for (size_t i = 0; i < tag.size(); ++i)
        if (Lower(rest[i]) != Lower(tag[i]))
            return false;
    return true;
}

// Index of the first tag of `tags` at the start of `rest`, or -1.
int FindTag(std::string_view rest, const char* const* tags, int count) {
    for (int i = 0; i < count; ++i)
        if (TagAt(rest, tags[i]))
            return i;
    return -1;
}

} // namespace

// One pass over the text with a cursor and the start of the pending literal.
class TemplateProgram::Compiler {
public:
    Compiler(TemplateProgram& program, std::string_view text) : program_(program), text_(text) {}

    void Run() {
        while (at_ < text_.size()) {
            char c = text_[at_];
            if (c == '%')
                TryVariable();
            else if (c == '<' && at_ + 1 < text_.size() && text_[at_ + 1] == '!')
                TryMarker();
            else
                ++at_;
        }
        FlushLiteral();
    }

private:
    void TryVariable() {
        static const auto Tags = [] {
            std::array<const char*, TemplateVariableCount> tags{};
            for (int i = 0; i < TemplateVariableCount; ++i)
                tags[static_cast<size_t>(i)] = TemplateVariableTag(i);
            return tags;
        }();
        int variable = FindTag(text_.substr(at_), Tags.data(), TemplateVariableCount);
        if (variable < 0) {
            ++at_;
            return;
        }
        TemplateItem item;
        item.kind = TemplateItem::Kind::Variable;
        item.variable = static_cast<int8_t>(variable);
        Take(std::move(item), Tags[static_cast<size_t>(variable)]);
    }

    void TryMarker() {
        std::string_view rest = text_.substr(at_);
        int section = FindTag(rest, SectionMarkers, 2 * TemplateSectionCount);
        if (section >= 0) {
            FlushLiteral();
            program_.positions_[static_cast<size_t>(section)] =
                static_cast<int32_t>(program_.items_.size());
            Skip(SectionMarkers[section]);
            return;
        }
        int marker = FindTag(rest, ConditionMarkers, 2 * TemplateConditionCount);
        if (marker < 0) {
            ++at_;
            return;
        }
        TemplateItem item;
        item.kind = TemplateItem::Kind::Condition;
        item.condition = static_cast<int8_t>(marker / 2);
        item.isStart = marker % 2 == 0;
        Take(std::move(item), ConditionMarkers[marker]);
    }

    // Ends the pending literal, appends `item` and moves past its tag.
    void Take(TemplateItem item, std::string_view tag) {
        FlushLiteral();
        program_.items_.push_back(std::move(item));
        Skip(tag);
    }

    void Skip(std::string_view tag) {
        at_ += tag.size();
        mark_ = at_;
    }

    void FlushLiteral() {
        if (at_ > mark_) {
            TemplateItem item;
            item.text = String(text_.substr(mark_, at_ - mark_));
            program_.items_.push_back(std::move(item));
        }
        mark_ = at_;
    }

    TemplateProgram& program_;
    std::string_view text_;
    size_t at_ = 0;
    size_t mark_ = 0;
};

TemplateProgram::TemplateProgram(std::string_view text, String skinDir)
    : skinDir_(std::move(skinDir)) {
    Compiler(*this, text).Run();
}

std::shared_ptr<const TemplateProgram> TemplateProgram::BuiltIn() {
    static const auto builtIn = std::make_shared<const TemplateProgram>(BuiltInTemplate(), "");
    return builtIn;
}

std::shared_ptr<const TemplateProgram> TemplateProgram::ForSkin(const String& dataDir,
                                                                const String& skinName) {
    String skinDir =
        JoinPath(JoinPath(dataDir.IsEmpty() ? "." : dataDir, "skins"), skinName.View());
    std::optional<std::string> text =
        ReadWholeFile(JoinPath(skinDir, "Template.html").c_str(), MaxTemplateBytes);
    if (!text)
        return BuiltIn();
    return std::make_shared<const TemplateProgram>(*text, skinDir);
}

} // namespace tb
