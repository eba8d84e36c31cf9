#pragma once

#include "core/String.h"

namespace tb {

// Bodies of the fixed HTML answers of the web interface.
String AccessDeniedPage();
String ReindexingPage();
// Names the requested path, HTML-escaped so that a crafted URL cannot
// inject markup into the page.
String NotAvailablePage(const String& path);

} // namespace tb
