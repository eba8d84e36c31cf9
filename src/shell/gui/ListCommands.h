#pragma once

#include <QStringList>
#include <vector>

class QWidget;

namespace tb {

class ServerHost;

// The main window's commands on the user and service lists. Rows are list
// positions; deletions take them highest first. Every command that changes
// a list saves the whole list at once (a failed save is said in a box) and
// answers true; Cancel anywhere changes nothing and answers false. GUI
// thread only.
bool AddWebUser(ServerHost& host, QWidget* parent);
bool EditWebUser(ServerHost& host, int row, QWidget* parent);
bool DeleteUsers(ServerHost& host, const std::vector<int>& rows, QWidget* parent);

// "Add a service": the chooser, then the chosen kind's editor; "<< &Back"
// returns to the chooser.
bool AddService(ServerHost& host, QWidget* parent);
bool EditService(ServerHost& host, int row, QWidget* parent);
bool DeleteServices(ServerHost& host, const std::vector<int>& rows, QWidget* parent);
// Playlist files dropped on the window become stations (after a question
// when there are several); they are played from the next reindex on.
bool ImportStations(ServerHost& host, const QStringList& files, QWidget* parent);

} // namespace tb
