#include "ui/app/address_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "ui/base/messages.h"

namespace sky::ui {

namespace {

QDialogButtonBox* OkCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

void NotYet(QWidget* parent) {
    ShowMessage(parent, QStringLiteral("Sorry.  Not yet available"));
}

}  // namespace

SendMessageDialog::SendMessageDialog(const std::string& webHost, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Send a Message"));
    auto* form = new QFormLayout(this);
    // Preset: the service machine.
    QString host = QUrl(QStringLiteral("http://") + QString::fromStdString(webHost)).host();
    address_ = new QLineEdit(host, this);
    message_ = new QPlainTextEdit(this);
    message_->setMinimumSize(320, 100);
    form->addRow(QStringLiteral("&To:"), address_);
    form->addRow(QStringLiteral("&Message:"), message_);
    form->addRow(OkCancel(this));
}

void SendMessageDialog::accept() {
    if (address_->text().trimmed().isEmpty()) {
        ShowMessage(this, QStringLiteral("Please give the address to send the message to."), windowTitle(),
                    MessageKind::Warning);
        address_->setFocus();
        return;
    }
    // Messages travel as chat requests.
    if (onSend) onSend(address_->text().trimmed(), message_->toPlainText());
    QDialog::accept();
}

SendFileDialog::SendFileDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Send a File"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&To:"), new QLineEdit(this));
    form->addRow(QStringLiteral("&File:"), new QLineEdit(this));
    form->addRow(QStringLiteral("&Note:"), new QLineEdit(this));
    form->addRow(OkCancel(this));
}

void SendFileDialog::accept() {
    ShowMessage(this, QStringLiteral("Dont work no more"));
    QDialog::accept();
}

PostDialog::PostDialog(const QString& loginName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Post to the Public Space"));
    auto* form = new QFormLayout(this);
    local_ = new QLineEdit(this);
    local_->setMinimumWidth(300);
    remote_ = new QLineEdit(this);
    login_ = new QLineEdit(loginName, this);
    login_->setReadOnly(true);
    auto* localRow = new QHBoxLayout;
    localRow->addWidget(local_);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    localRow->addWidget(browse);
    form->addRow(QStringLiteral("&Local file:"), localRow);
    form->addRow(QStringLiteral("&Remote name:"), remote_);
    form->addRow(QStringLiteral("Login name:"), login_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* post = buttons->addButton(QStringLiteral("&Post"), QDialogButtonBox::ActionRole);
    QPushButton* edit = buttons->addButton(QStringLiteral("&Edit"), QDialogButtonBox::ActionRole);
    QPushButton* login = buttons->addButton(QStringLiteral("&Login"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    connect(browse, &QPushButton::clicked, this, [this] {
        QString f = QFileDialog::getOpenFileName(
            this, QStringLiteral("Choose a File to Post"), local_->text(),
            QStringLiteral("HTML Files (*.htm*);;GIF Files (*.gif*);;All Files (*)"));
        if (!f.isEmpty()) local_->setText(f);
    });
    connect(post, &QPushButton::clicked, this, [this] {
        if (!onPost) return NotYet(this);
        int result = onPost(local_->text().trimmed(), remote_->text().trimmed());
        ShowMessage(this, result == 1 ? QStringLiteral("Done") : QStringLiteral("Error Occurred"));
    });
    connect(edit, &QPushButton::clicked, this, [this] {
        if (!onEdit) return NotYet(this);
        onEdit(local_->text().trimmed());
    });
    connect(login, &QPushButton::clicked, this, [this] {
        if (!onLogin) return;
        QString account = onLogin();
        if (account.isEmpty()) return;
        ShowMessage(this, QStringLiteral("Login was successful !"));
        login_->setText(account);
    });
}

OpenAddressDialog::OpenAddressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Open"));
    auto* form = new QFormLayout(this);
    address_ = new QLineEdit(this);
    address_->setMinimumWidth(360);
    address_->setPlaceholderText(QStringLiteral("Type the address of a page, or a file to open"));
    form->addRow(QStringLiteral("&Address:"), address_);
    form->addRow(OkCancel(this));
}

QString OpenAddressDialog::address() const {
    return address_->text();
}

}  // namespace sky::ui
