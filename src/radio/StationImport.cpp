#include "radio/StationImport.h"

#include "core/LeadingInteger.h"
#include "radio/IniFile.h"

#include <algorithm>

namespace tb {

RadioService::Fields ImportPlsFile(const String& path) {
    IniFile pls = IniFile::Read(path);
    RadioService::Fields station;
    station.name = FileTitle(path);
    int32_t count = LeadingInteger(pls.Get("playlist", "numberofentries").value_or("0").View());
    count = std::clamp(count, 0, RadioService::UrlSlots);
    for (int32_t n = 1; n <= count; ++n) {
        std::string number = std::to_string(n);
        station.urls[static_cast<size_t>(n - 1)] =
            pls.Get("playlist", "File" + number).value_or(String("?"));
        if (n == 1)
            station.description =
                StripTitlePrefix(pls.Get("playlist", "Title1").value_or(String("?")));
    }
    station.quickAccess = count == 1;
    return station;
}

String FileTitle(const String& path) {
    std::string_view name = path.View();
    if (size_t slash = name.rfind('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    return String(name);
}

String StripTitlePrefix(const String& text) {
    std::string_view rest = text.View();
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    if (!rest.empty() && rest.front() == '(') {
        size_t close = rest.find(')');
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    }
    return rest.empty() ? text : String(rest);
}

} // namespace tb
