#include "shell/gui/InstanceChannel.h"

#include "shell/gui/DisplayText.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <unistd.h>

namespace tb {
namespace {

constexpr char Request[] = "show\n";
constexpr char Reply[] = "shown\n";

} // namespace

InstanceChannel::InstanceChannel(const String& configFolder, QObject* parent) : QObject(parent) {
    QByteArray digest =
        QCryptographicHash::hash(QByteArray(configFolder.c_str(), configFolder.Length()),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    name_ = QString("tunebridge-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::Listen() {
    // Whoever holds the store's lock owns the name, so a socket file left
    // by a crashed instance may go.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::Answer);
    return server_->listen(name_);
}

void InstanceChannel::Answer() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine())
                return;
            if (client->readLine(64) == Request) {
                emit showRequested();
                client->write(Reply);
            }
            client->disconnectFromServer();
        });
    }
}

bool InstanceChannel::AskToShow(int milliseconds) const {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name_);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(Request);
            while (socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                if (socket.canReadLine())
                    return socket.readLine(64) == Reply;
            return false;
        }
        // The running instance takes the lock before it listens.
        QThread::msleep(50);
    }
    return false;
}

} // namespace tb
