#include "shell/gui/DesktopFirstRun.h"

#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "shell/CommandLine.h"
#include "shell/DesktopShortcuts.h"
#include "shell/FirstRun.h"
#include "shell/ServerHost.h"
#include "shell/UserFolders.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/FirstRunWizard.h"

#include <QMessageBox>
#include <system_error>

namespace tb {
namespace {

void WriteShortcuts(const WizardAnswers& answers, const ServerHost& host, uint16_t port) {
    String desktop = DesktopFolder();
    if (answers.programShortcut)
        WriteProgramShortcut(desktop, LauncherOf(host.Options(), answers.name));
    if (answers.webShortcut)
        WriteWebShortcut(desktop, port, answers.name + " webb");
}

} // namespace

FirstRunResult RunDesktopFirstRun(ServerHost& host, ActivityLog& log, QWidget* parent) {
    if (IsInstalled(host.Store()))
        return FirstRunResult::AlreadyInstalled;
    Settings& settings = host.CurrentSettings();
    WizardAnswers answers;
    answers.name = settings.name;
    answers.folder = MusicFolder();
    if (!RunWizard(answers, host.Options().dataDir, parent))
        return FirstRunResult::Cancelled;
    RunFirstTimeSetup(
        host.Store(),
        FirstRunChoices{answers.name, answers.folder, answers.loginId, answers.password}, log);
    settings.name = answers.name;
    try {
        WriteShortcuts(answers, host, settings.localAddress.Port());
    } catch (const std::system_error& e) {
        QMessageBox::warning(parent, "Tune Bridge",
                             QString("The desktop shortcut could not be made: ") + e.what());
    }
    return FirstRunResult::Installed;
}

} // namespace tb
