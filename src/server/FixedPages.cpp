#include "server/FixedPages.h"

#include "core/HtmlEscape.h"

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

} // namespace tb
