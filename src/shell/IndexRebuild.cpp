#include "shell/IndexRebuild.h"

#include "config/Settings.h"
#include "core/ActivityLog.h"
#include "library/IndexBuilder.h"

#include <exception>

namespace tb {

void RebuildIndex(NodeIndex& index, ServiceList& services, const Settings& settings,
                  ActivityLog& log, IndexProgress* progress) {
    IndexOptions options{settings.name,
                         settings.preloadMp3Info,
                         settings.createGenreFolder,
                         settings.createAlbumFolder,
                         settings.createArtistFolder,
                         settings.createYearFolder};
    try {
        BuildIndex(index, services, options, log, progress);
    } catch (const std::exception& e) {
        log.AddLine(String("The index could not be built, the previous one stays: ") + e.what());
    }
}

} // namespace tb
