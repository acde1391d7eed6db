#pragma once

#include <QProcess>
#include <QString>
#include <QTcpSocket>

#include "support/sandbox.h"

namespace sky::test {

// The member service binary on a loopback port of its own, with its data in
// the sandbox: the peer the program talks to as it would to the real service.
class ServicePeer {
public:
    ServicePeer(const QString& binary, const Sandbox& sandbox) {
        port_ = FreePort();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(binary, {QStringLiteral("--listen"), host(), QStringLiteral("--data"),
                                QString::fromStdString(sandbox.path("peer-data"))});
    }
    ~ServicePeer() { Stop(); }
    // True once it answers connections.
    bool WaitUntilUp() {
        return WaitFor([&] {
            if (process_.state() == QProcess::NotRunning) return false;
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(port_));
            return probe.waitForConnected(200);
        });
    }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(10000);
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString base() const { return QStringLiteral("http://") + host(); }

private:
    int port_ = 0;
    QProcess process_;
};

}  // namespace sky::test
