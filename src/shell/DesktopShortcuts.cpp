#include "shell/DesktopShortcuts.h"

#include "core/FileDescriptor.h"
#include "core/Path.h"

#include <climits>
#include <string>
#include <unistd.h>

namespace tb {
namespace {

constexpr unsigned LauncherMode = 0755; // desktops run only executable launchers

// A value of a desktop entry is one line.
std::string OneLine(const String& text) {
    std::string line(text.View());
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

} // namespace

String QuoteExecArgument(const String& argument) {
    std::string_view text = argument.View();
    bool plain =
        !text.empty() && text.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string_view::npos;
    std::string quoted = plain ? "" : "\"";
    for (char c : text) {
        if (c == '%')
            quoted += '%'; // a literal percent sign is doubled
        else if (c == '\\')
            quoted += "\\\\\\"; // quoting's backslash and the string type's, each escaped
        else if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        quoted += c;
    }
    if (!plain)
        quoted += '"';
    return String(quoted);
}

String ExecutablePath() {
    char path[PATH_MAX + 1] = {};
    ssize_t n = ::readlink("/proc/self/exe", path, PATH_MAX);
    return n > 0 ? String(path, static_cast<int32_t>(n)) : String("tunebridge");
}

void WriteProgramShortcut(const String& desktopFolder, const String& executable,
                          const std::vector<String>& arguments, const String& workingFolder,
                          const String& description) {
    std::string exec(QuoteExecArgument(executable).View());
    for (const String& argument : arguments)
        exec += " " + std::string(QuoteExecArgument(argument).View());
    String icon = JoinPath(workingFolder, "resources/desktop/Icon.png");
    std::string entry =
        "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Tune Bridge\n"
        "Comment=" +
        OneLine(description) + "\nExec=" + exec + "\nPath=" + OneLine(workingFolder) +
        "\nIcon=" + (access(icon.c_str(), R_OK) == 0 ? OneLine(icon) : "tunebridge") +
        "\nTerminal=false\nCategories=AudioVideo;Audio;\n";
    ReplaceFileContents(JoinPath(desktopFolder, "Tunebridge.desktop").c_str(), entry, LauncherMode);
}

void WriteWebShortcut(const String& desktopFolder, uint16_t port, const String& description) {
    std::string entry = "[Desktop Entry]\nType=Link\nVersion=1.0\nName=Tune Bridge web interface\n"
                        "Comment=" +
                        OneLine(description) + "\nURL=http://127.0.0.1:" + std::to_string(port) +
                        "/\nIcon=applications-multimedia\n";
    ReplaceFileContents(JoinPath(desktopFolder, "TunebridgeWeb.desktop").c_str(), entry,
                        LauncherMode);
}

} // namespace tb
