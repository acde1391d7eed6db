#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace sky::ui {

// One running copy per user and data root: the first listens on a local
// socket named after the window class; a later start hands it its command
// line and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString SocketName();

    // True when this copy is the first and now listens.
    bool Listen();
    // Hands `file` (may be empty) to the first copy; true when it took it.
    static bool SendToFirst(const QString& file);

signals:
    // A later start asked for this file (empty: just come to the front).
    void activationRequested(const QString& file);

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace sky::ui
