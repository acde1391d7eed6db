#pragma once

#include <QDialog>

#include "core/ftp/ftp_client.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class SecretBackend;

// The connect dialog: a remembered site or a new one, the protocol, server,
// port, user, password (never kept) and the folder to show first.
class FtpConnectDialog : public QDialog {
    Q_OBJECT
public:
    // With `secrets`, a password can be kept in the desktop keyring (never elsewhere).
    FtpConnectDialog(SettingsStore& settings, QWidget* parent = nullptr, SecretBackend* secrets = nullptr);
    ftp::FtpSite site() const;
    QString initialFolder() const;
    // Writes "server", "user", "InitDir" and "anon" and remembers the site; the
    // password only into the keyring, when asked to.
    void Save() const;

    QComboBox* sites() const { return sites_; }
    QComboBox* protocol() const { return protocol_; }
    QLineEdit* server() const { return server_; }
    QSpinBox* port() const { return port_; }
    QLineEdit* user() const { return user_; }
    QLineEdit* password() const { return password_; }
    QLineEdit* folder() const { return folder_; }
    QLineEdit* key() const { return key_; }
    QCheckBox* active() const { return active_; }
    QCheckBox* remember() const { return remember_; }

private:
    void LoadSite(const QString& name);

    SettingsStore& settings_;
    QComboBox* sites_;
    QComboBox* protocol_;
    QLineEdit* server_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* folder_;
    QLineEdit* key_;
    QCheckBox* active_;
    QCheckBox* remember_;
    SecretBackend* secrets_;
    bool keptInKeyring_ = false;
};

// "ftp upload": one local file put on a server. OK closes on success and
// shows "Failed [%d]" otherwise (-1 no connection, -2 the transfer failed).
class FtpUploadDialog : public QDialog {
    Q_OBJECT
public:
    explicit FtpUploadDialog(QWidget* parent = nullptr);
    void accept() override;
    int result() const { return result_; }

    QLineEdit* local() const { return local_; }
    QLineEdit* server() const { return server_; }
    QLineEdit* user() const { return user_; }
    QLineEdit* password() const { return password_; }
    QLineEdit* remote() const { return remote_; }

private:
    QLineEdit* local_;
    QLineEdit* server_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* remote_;
    int result_ = 0;
};

// The host part of a server field that may carry a scheme and a port.
ftp::FtpSite SiteFromServerText(const QString& text, ftp::Protocol protocol);

}  // namespace sky::ui
