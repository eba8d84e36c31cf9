#pragma once

namespace tb {

class FolderNode;
struct HttpRequest;

// The folder's page for a browser, made from the web user's template:
// sends the whole answer, reports "Browsing" and logs the visit.
void BuildFolderPage(FolderNode& folder, HttpRequest& request);

} // namespace tb
