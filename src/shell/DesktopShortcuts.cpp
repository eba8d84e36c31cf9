#include "shell/DesktopShortcuts.h"

#include "core/FileDescriptor.h"
#include "core/Path.h"
#include "shell/CommandLine.h"
#include "shell/ProgramData.h"
#include "shell/UserFolders.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tb {
namespace {

constexpr unsigned LauncherMode = 0755; // desktops run only executable launchers
constexpr const char* AutostartName = "tunebridge.desktop";

// A value of a desktop entry is one line.
std::string OneLine(const String& text) {
    std::string line(text.View());
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

std::string ProgramEntry(const ProgramLauncher& launcher) {
    std::string exec(QuoteExecArgument(launcher.executable).View());
    for (const String& argument : launcher.arguments)
        exec += " " + std::string(QuoteExecArgument(argument).View());
    // A source-tree program has its icon file; an installed one, the theme's.
    String icon = JoinPath(launcher.workingFolder, "resources/desktop/Icon.png");
    return "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Tune Bridge\n"
           "Comment=" +
           OneLine(launcher.description) + "\nExec=" + exec +
           "\nPath=" + OneLine(launcher.workingFolder) +
           "\nIcon=" + (access(icon.c_str(), R_OK) == 0 ? OneLine(icon) : "tunebridge") +
           "\nTerminal=false\nCategories=AudioVideo;Audio;\n";
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

ProgramLauncher LauncherOf(const CommandLine& options, const String& description) {
    ProgramLauncher launcher;
    launcher.executable = ExecutablePath();
    if (!options.configDir.IsEmpty())
        launcher.arguments = {"--config-dir", AbsolutePath(options.configDir)};
    launcher.workingFolder = AbsolutePath(options.dataDir.IsEmpty() ? "." : options.dataDir);
    launcher.description = description;
    return launcher;
}

void WriteProgramShortcut(const String& desktopFolder, const ProgramLauncher& launcher) {
    ReplaceFileContents(JoinPath(desktopFolder, "Tunebridge.desktop").c_str(),
                        ProgramEntry(launcher), LauncherMode);
}

bool StartsAtLogin() {
    return access(JoinPath(AutostartFolder(), AutostartName).c_str(), F_OK) == 0;
}

void SetStartAtLogin(bool on, const ProgramLauncher& launcher) {
    String folder = AutostartFolder();
    String entry = JoinPath(folder, AutostartName);
    if (!on) {
        if (unlink(entry.c_str()) != 0 && errno != ENOENT)
            throw std::system_error(errno, std::generic_category(), entry.c_str());
        return;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), folder.c_str());
    ReplaceFileContents(entry.c_str(), ProgramEntry(launcher), 0644);
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
