#include "ui/app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include "core/base/paths.h"
#include "core/base/version.h"

namespace sky::ui {

namespace {
constexpr int kMaxMessage = 64 * 1024;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

QString SingleInstance::SocketName() {
    // Two data roots (SKYHARBOR_HOME) are two separate programs.
    QByteArray root = QByteArray::fromStdString(DataRoot());
    QString hash =
        QString::fromLatin1(QCryptographicHash::hash(root, QCryptographicHash::Sha1).toHex().left(12));
    return QStringLiteral("%1-%2-%3").arg(QLatin1String(kWindowClassName)).arg(::getuid()).arg(hash);
}

bool SingleInstance::SendToFirst(const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(1000)) return false;
    QByteArray msg = file.toUtf8() + '\n';
    socket.write(msg);
    if (!socket.waitForBytesWritten(3000)) return false;
    // The first copy answers once it has the request.
    if (!socket.waitForReadyRead(5000)) return false;
    return socket.readAll().startsWith("ok");
}

bool SingleInstance::Listen() {
    // A copy that answers is the first one. (Listening alone cannot tell:
    // a private socket is made aside and renamed over any existing one.)
    {
        QLocalSocket probe;
        probe.connectToServer(SocketName());
        if (probe.waitForConnected(500)) return false;
    }
    // Whatever is left is a socket of a copy that crashed.
    QLocalServer::removeServer(SocketName());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(SocketName())) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->bytesAvailable() > kMaxMessage) {
                    s->abort();
                    return;
                }
                if (!s->canReadLine()) return;
                QString file = QString::fromUtf8(s->readLine()).trimmed();
                s->write("ok\n");
                s->flush();
                emit activationRequested(file);
            });
        }
    });
    return true;
}

}  // namespace sky::ui
