#include "server/FixedPages.h"

#include "core/HtmlEscape.h"
#include "core/Socket.h"
#include "server/ProgramTime.h"
#include "server/ResponseHeaders.h"

namespace tb {

String AccessDeniedPage() {
    return "<html><head></head><body>Access denied!</body></html>";
}

String ReindexingPage() {
    return "<html><head></head><body><br>Reindex in progress, please wait!</body></html>";
}

String NotAvailablePage(const String& path) {
    return "<html><head></head><body><br>Page '" + HtmlEscape(path) +
           "' not available</body></html>";
}

void SendFixedPage(Socket& socket, const String& body) {
    socket.Write(Html200(body.Length(), ProgramTime().TimeTag()), body);
}

} // namespace tb
