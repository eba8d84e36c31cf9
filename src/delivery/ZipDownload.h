#pragma once

namespace tb {

class FolderNode;
struct HttpRequest;

// A folder as one zip archive ("Z"): its songs in order and its front and
// back pictures, stored, with the archive's exact length announced. A
// file that cannot be opened when the length is taken is left out; one
// that changes afterwards ends the connection inside its entry, reported
// as "Download abort" and logged. An archive past the 32-bit limits of the
// format is refused with a page instead. Socket failures pass through.
void SendFolderZip(FolderNode& folder, HttpRequest& request);

} // namespace tb
