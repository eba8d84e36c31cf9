#include "shell/gui/HelpFile.h"

#include "core/Path.h"
#include "shell/gui/DisplayText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace tb {

String ProgramFolder(const String& dataDir) {
    return dataDir.IsEmpty() ? FromDisplay(QDir::currentPath()) : dataDir;
}

void OpenHelp(QWidget* parent, const String& dataDir, const char* topic) {
    QString path = ToDisplay(JoinPath(ProgramFolder(dataDir), "help/TunebridgeHelpEn.html"));
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (topic)
        url.setFragment(topic);
    if (!QFileInfo::exists(path))
        QMessageBox::warning(parent, "Tune Bridge", "The help file " + path + " is missing.");
    else if (!QDesktopServices::openUrl(url))
        QMessageBox::warning(parent, "Tune Bridge", "No program to show " + path + " was found.");
}

} // namespace tb
