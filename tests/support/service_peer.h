#pragma once

#include <QProcess>
#include <QString>
#include <QTcpSocket>

#include "core/base/settings_store.h"
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

    // The program's settings for a quiet start against this peer: its four
    // hosts, a blank first page, an account and postal code (no first-run
    // sheets) and channels of its own (no import).
    void Configure(const Sandbox& sandbox) const {
        SettingsStore& s = SettingsStore::App();
        s.WriteString("Startup", "Home", "about:blank");
        s.WriteInt("Service", "Embedded", 0);
        for (const char* key : {"WebHost", "AdHost", "PublicSpaceHost", "CommentsHost"})
            s.WriteString("Service", key, host().toStdString());
        s.WriteString("Misc", "Account", "UNREGISTERED");
        s.WriteString("local", "zip", "10001");
        WriteFile(sandbox.path("skychan1.sky"), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
    }

private:
    int port_ = 0;
    QProcess process_;
};

}  // namespace sky::test
