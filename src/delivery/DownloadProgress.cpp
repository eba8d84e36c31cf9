#include "delivery/DownloadProgress.h"

#include "web/UserList.h"

namespace tb {

void DownloadProgress::Begin(uint64_t total) {
    total_ = total;
    done_ = 0;
    users_.SetStatus(key_, "Download", 5);
}

bool DownloadProgress::Progress(uint64_t bytes) {
    done_ += bytes;
    uint64_t percent = total_ > 0 ? done_ * 100 / total_ : 100;
    users_.SetStatus(key_, "Download " + String::FromUnsigned(static_cast<uint32_t>(percent)) + "%",
                     5);
    return true;
}

void DownloadProgress::End(bool aborted) {
    users_.SetStatus(key_, aborted ? "Download abort" : "Download end", 10);
}

} // namespace tb
