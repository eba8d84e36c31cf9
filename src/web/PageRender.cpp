#include "web/PageRender.h"

#include "core/LeadingInteger.h"
#include "core/TextBuilder.h"
#include "core/TextEncoding.h"
#include "library/Mp3Info.h"
#include "web/TemplateText.h"

namespace tb {
namespace {

constexpr int Index(TemplateVariable variable) {
    return static_cast<int>(variable);
}

// The variable whose first character decides each condition; the comment
// condition asks for a non-empty value instead.
constexpr TemplateVariable ConditionVariables[TemplateConditionCount] = {
    TemplateVariable::HasFolders,     TemplateVariable::HasSongs,
    TemplateVariable::HasFolderImage, TemplateVariable::HasFolderBackImage,
    TemplateVariable::IsRecommended,  TemplateVariable::FolderComment,
};

} // namespace

PageRender::PageRender(PageTemplate& page) : page_(page), snapshot_(page.Take()) {}

PageRender::~PageRender() {
    page_.Keep(snapshot_.values);
}

void PageRender::SetText(TemplateVariable variable, String text) {
    snapshot_.values[static_cast<size_t>(Index(variable))] = std::move(text);
}

void PageRender::SetNumber(TemplateVariable variable, int32_t number) {
    SetText(variable, String::Format("%d", number));
}

void PageRender::SetFlag(TemplateVariable variable, bool flag) {
    SetText(variable, flag ? "1" : "0");
}

const String& PageRender::Value(TemplateVariable variable) const {
    return snapshot_.values[static_cast<size_t>(Index(variable))];
}

String PageRender::RenderHistoryItem(const String& link, const String& name) {
    SetText(TemplateVariable::HistoryItemLink, link);
    SetText(TemplateVariable::HistoryItemName, PageText(name));
    return RenderSection(TemplateSection::History);
}

String PageRender::RenderFolderItem(const String& link, const String& name) {
    SetText(TemplateVariable::FolderItemLink, link);
    SetText(TemplateVariable::FolderItemName, PageText(name));
    return RenderSection(TemplateSection::Folder);
}

String PageRender::RenderFileItem(const String& name, const String& link, const Mp3Info* info) {
    SetText(TemplateVariable::FileItemName, PageText(name));
    SetText(TemplateVariable::FileItemLink, link);
    SetSongTexts(name, info);
    return RenderSection(TemplateSection::File);
}

void PageRender::SetSongTexts(const String& name, const Mp3Info* info) {
    using V = TemplateVariable;
    String title = info && !info->Title().IsEmpty() ? info->Title() : name;
    auto text = [info](String (Mp3Info::*field)() const) {
        return info ? PageText((info->*field)()) : String();
    };
    SetText(V::SongAlbum, text(&Mp3Info::Album));
    SetText(V::SongTrackNumber, text(&Mp3Info::Track));
    SetText(V::SongArtist, text(&Mp3Info::Artist));
    SetText(V::SongGenre, text(&Mp3Info::Genre));
    SetText(V::SongYear, text(&Mp3Info::Year));
    SetText(V::SongLength, FormatDuration(info ? LeadingInteger(info->Length().View()) : 0));
    SetText(V::SongBitRate, text(&Mp3Info::Bitrate));
    SetText(V::SongTitle, PageText(title));
    SetText(V::SongSamplingRate, text(&Mp3Info::SamplingRate));
    SetText(V::SongMpegVersion, text(&Mp3Info::Version));
    SetText(V::SongMpegLayer, text(&Mp3Info::Layer));
    SetText(V::SongChannelMode, text(&Mp3Info::ChannelMode));
    SetText(V::QSongAlbum, info ? QuoteForScript(AsUtf8(info->Album())) : String());
    SetText(V::QSongArtist, info ? QuoteForScript(AsUtf8(info->Artist())) : String());
    SetText(V::QSongTitle, QuoteForScript(AsUtf8(title)));
}

// Conditions inside a section are not evaluated: their markers add nothing.
String PageRender::RenderSection(TemplateSection section) const {
    const TemplateProgram& program = *snapshot_.program;
    TextBuilder out(512);
    int32_t end = std::min<int32_t>(program.SectionEnd(section),
                                    static_cast<int32_t>(program.Items().size()));
    for (int32_t i = program.SectionStart(section); i < end; ++i)
        out.Append(ItemText(program.Items()[static_cast<size_t>(i)]));
    return out.Finish();
}

bool PageRender::IsTrue(int condition) const {
    const String& value = Value(ConditionVariables[condition]);
    if (condition == static_cast<int>(TemplateCondition::Comment))
        return !value.IsEmpty();
    return value.IsEmpty() || value.At(0) != '0';
}

const String& PageRender::ItemText(const TemplateItem& item) const {
    if (item.kind == TemplateItem::Kind::Variable)
        return snapshot_.values[static_cast<size_t>(item.variable)];
    return item.text;
}

// Skipping a false condition ends at the first end marker of any
// condition: conditions do not nest. Each section's text goes where its
// body starts, and the body's own items are left out.
String PageRender::RenderPage(const String& history, const String& files,
                              const String& folders) const {
    const TemplateProgram& program = *snapshot_.program;
    const struct {
        TemplateSection section;
        const String& text;
    } sections[] = {{TemplateSection::History, history},
                    {TemplateSection::File, files},
                    {TemplateSection::Folder, folders}};
    TextBuilder out(history.Length() + files.Length() + folders.Length() + 8192);
    bool skipping = false;
    auto count = static_cast<int32_t>(program.Items().size());
    for (int32_t i = 0; i < count; ++i) {
        const TemplateItem& item = program.Items()[static_cast<size_t>(i)];
        bool isCondition = item.kind == TemplateItem::Kind::Condition;
        if (skipping) {
            skipping = !(isCondition && !item.isStart);
            continue;
        }
        if (isCondition && item.isStart) {
            skipping = !IsTrue(item.condition);
            continue;
        }
        bool inBody = false;
        for (const auto& s : sections) {
            if (i == program.SectionStart(s.section))
                out.Append(s.text);
            if (i >= program.SectionStart(s.section) && i < program.SectionEnd(s.section)) {
                inBody = true;
                break;
            }
        }
        if (!inBody)
            out.Append(ItemText(item));
    }
    return out.Finish();
}

} // namespace tb
