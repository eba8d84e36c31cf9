#pragma once

#include "core/String.h"

namespace tb {

class Socket;

// Bodies of the fixed HTML answers of the web interface.
String AccessDeniedPage();
String ReindexingPage();
// Names the requested path, HTML-escaped so that a crafted URL cannot
// inject markup into the page.
String NotAvailablePage(const String& path);

// Sends a fixed page with the HTML header, tagged with the program time.
void SendFixedPage(Socket& socket, const String& body);

} // namespace tb
