#pragma once

#include "core/String.h"

#include <QObject>

class QLocalServer;

namespace tb {

// How a second start of the desktop program reaches the running one. Which
// of two starts runs is decided by the store's lock (StoreLock), which has
// no race; the one that runs listens here, under a name made from the user
// and the configuration folder, and a start that lost the lock asks it to
// show its window. GUI thread only.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    explicit InstanceChannel(const String& configFolder, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening (the running instance); false when that failed,
    // which only costs the second start's request.
    bool Listen();
    // Asks the running instance to show its window, retrying while it is
    // still starting; true when it confirmed within `milliseconds`.
    bool AskToShow(int milliseconds) const;

signals:
    void showRequested();

private:
    void Answer();

    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace tb
