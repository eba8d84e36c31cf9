#include "library/FolderNode.h"

#include "core/DateTime.h"
#include "core/FileDescriptor.h"
#include "core/Socket.h"
#include "library/FolderImages.h"
#include "library/MetadataFile.h"
#include "library/NodeTree.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

constexpr int32_t ImageChunk = 10000;

// A picture named by the metadata file, unless it may not be served.
String PicturePath(const MetadataFile& file, const char* key) {
    String path = file.GetString(key);
    return FolderImages::IsPictureName(path) ? path : String();
}

void SendFile(Socket& socket, int fd, int64_t size) {
    char buffer[ImageChunk];
    while (size > 0) {
        ssize_t n = ::read(fd, buffer, static_cast<size_t>(std::min<int64_t>(size, ImageChunk)));
        if (n <= 0) // the file shrank: the announced length cannot be kept
            throw std::runtime_error("picture file changed while it was sent");
        socket.Write(buffer, static_cast<int32_t>(n));
        size -= n;
    }
}

} // namespace

FolderNode::FolderNode(String name, MediaNode* parent, std::shared_ptr<ServiceItem> service,
                       String path, Ownership ownership)
    : MediaNode(std::move(name), parent), service_(std::move(service)), path_(std::move(path)),
      owning_(ownership == Ownership::Owning) {}

FolderNode::~FolderNode() {
    if (owning_)
        for (MediaNode* child : children_)
            delete child;
}

FolderMetadata FolderNode::RefreshMetadata() {
    // Virtual folders have no directory of their own to look in.
    if (path_.IsEmpty()) {
        std::lock_guard lock(metadataMutex_);
        return metadata_;
    }
    MetadataFile file;
    bool haveFile = file.Open(path_, "Tunebridge.ini");
    std::lock_guard lock(metadataMutex_);
    FolderMetadata& m = metadata_;
    if (haveFile) {
        m.frontImage = PicturePath(file, "FrontImage");
        m.backImage = PicturePath(file, "BackImage");
        m.album = file.GetString("Album");
        m.artist = file.GetString("Artist");
        m.templateFile = file.GetString("TemplateFile");
        m.sortOrder = file.GetInt("SortOrder", 0);
        m.recommended = file.GetBool("Recommended", false);
        m.comment = file.GetString("Comment");
    }
    if (m.frontImage.IsEmpty())
        m.frontImage = FolderImages::FindFront(path_);
    if (m.backImage.IsEmpty())
        m.backImage = FolderImages::FindBack(path_);
    return m;
}

void FolderNode::ContentItem(HttpRequest& request, TextBuilder& listing) {
    AnswersOf(request).ContentItem(*this, request, listing);
}

void FolderNode::WebAction(HttpRequest& request, char action) {
    AnswersOf(request).WebAction(*this, request, action);
}

HttpAnswer FolderNode::Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                              const String& superScroll) {
    return AnswersOf(request).Browse(*this, request, numElem, fromIndex, superScroll);
}

String FolderNode::GetETag(HttpRequest& request, char action) {
    if (action == 'P' || action == 'B')
        return ImageETag(action);
    if (action == 'M' || action == 'N')
        return DateTime::Now().TimeTag();
    return request.tree ? request.tree->IndexTime().TimeTag() : DateTime::Now().TimeTag();
}

String FolderNode::ImageETag(char action) {
    FolderMetadata m = RefreshMetadata();
    return FileETag((action == 'B' ? m.backImage : m.frontImage).c_str());
}

void FolderNode::ServeImage(HttpRequest& request, char action) {
    FolderMetadata m = RefreshMetadata();
    const String& path = action == 'B' ? m.backImage : m.frontImage;
    String tag = FileETag(path.c_str());
    // A picture that cannot be read (gone since the index was built) gets
    // the placeholder too: the browser must not wait for an answer.
    RegularFile file = path.IsEmpty() ? RegularFile() : OpenRegularFile(path.c_str());
    if (!file.fd.IsOpen()) {
        request.socket->Write(Ok200(sizeof FolderImages::Placeholder, tag, "image/gif") +
                              String(reinterpret_cast<const char*>(FolderImages::Placeholder),
                                     sizeof FolderImages::Placeholder));
        return;
    }
    const char* type =
        path.Length() >= 3 && path.At(path.Length() - 3) == 'j' ? "image/jpeg" : "image/gif";
    request.socket->Write(Ok200(file.size, tag, type));
    SendFile(*request.socket, file.fd.Get(), file.size);
}

} // namespace tb
