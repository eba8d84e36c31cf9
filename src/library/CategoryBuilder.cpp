#include "library/CategoryBuilder.h"

#include "library/FolderNode.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"

#include <cctype>

namespace tb {
namespace {

std::string Folded(const String& value) {
    std::string folded(value.View());
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace

void CategoryBuilder::FileSongsBelow(FolderNode& folder) {
    for (MediaNode* child : folder.Children()) {
        if (child->IsFolder() && static_cast<FolderNode*>(child)->OwnsChildren())
            FileSongsBelow(static_cast<FolderNode&>(*child));
        else if (child->IsSong())
            File(static_cast<SongNode&>(*child));
    }
}

String CategoryBuilder::Value(const SongNode& song) const {
    const Mp3Info* info = song.TryGetInfo();
    String value;
    if (info) {
        switch (kind_) {
        case Kind::Genre:
            value = info->Genre();
            break;
        case Kind::Album:
            value = info->Album();
            break;
        case Kind::Artist:
            value = info->Artist();
            break;
        case Kind::Year:
            value = info->Year();
            break;
        }
    }
    return value.IsEmpty() ? String("(unspecified)") : value;
}

void CategoryBuilder::File(SongNode& song) {
    String value = Value(song);
    FolderNode*& folder = byFoldedValue_[Folded(value)];
    if (!folder) {
        folder =
            new FolderNode(value, &category_, nullptr, String(), FolderNode::Ownership::NotOwning);
        category_.AddChild(folder);
    }
    folder->AddChild(&song);
}

} // namespace tb
