#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

// "sendmessage": a message to another copy of the program.
class SendMessageDialog : public QDialog {
    Q_OBJECT
public:
    // The address is preset to the service's web host.
    explicit SendMessageDialog(const std::string& webHost, QWidget* parent = nullptr);
    QLineEdit* addressEdit() const { return address_; }
    QPlainTextEdit* messageEdit() const { return message_; }
    // OK hands the address and the message here.
    std::function<void(const QString& address, const QString& message)> onSend;
    void accept() override;

private:
    QLineEdit* address_;
    QPlainTextEdit* message_;
};

// "sendfile": its OK only says it no longer works.
class SendFileDialog : public QDialog {
    Q_OBJECT
public:
    explicit SendFileDialog(QWidget* parent = nullptr);
    void accept() override;
};

// "post": a file posted to the public space.
class PostDialog : public QDialog {
    Q_OBJECT
public:
    PostDialog(const QString& loginName, QWidget* parent = nullptr);
    QLineEdit* localFileEdit() const { return local_; }
    QLineEdit* loginNameEdit() const { return login_; }

    // The service login: the member logged in as, or empty when it failed.
    // Set by the caller.
    std::function<QString()> onLogin;
    // The public-space upload: 1 done, anything else an error.
    std::function<int(const QString& local, const QString& remote)> onPost;
    // Opens the local file in SkyPad.
    std::function<void(const QString& local)> onEdit;
    QLineEdit* remoteNameEdit() const { return remote_; }

private:
    QLineEdit* local_;
    QLineEdit* remote_;
    QLineEdit* login_;
};

// The view's Open command: an address to go to.
class OpenAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit OpenAddressDialog(QWidget* parent = nullptr);
    QString address() const;

private:
    QLineEdit* address_;
};

}  // namespace sky::ui
