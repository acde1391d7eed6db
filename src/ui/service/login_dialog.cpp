#include "ui/service/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/sky_reg_client.h"
#include "ui/base/messages.h"

namespace sky::ui {

CLoginDlg::CLoginDlg(CSkyRegClient& client, const QString& account, QWidget* parent)
    : QDialog(parent), client_(client) {
    setWindowTitle(QStringLiteral("Member Login"));
    setObjectName(QStringLiteral("CLoginDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Log in with your SkyHarbor member name and password."), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    account_ = new QLineEdit(account, this);
    account_->setObjectName(QStringLiteral("account"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Member name:"), account_);
    form->addRow(QStringLiteral("&Password:"), password_);
    layout->addLayout(form);
    auto* hint = new QLabel(
        QStringLiteral("Forgot your password? Log in with a blank password to see your password prompt."),
        this);
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: palette(mid)"));
    layout->addWidget(hint);
    status_ = new QLabel(this);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("&Login"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CLoginDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLoginDlg::reject);
    layout->addWidget(buttons);
    connect(&request_, &UiJob::finished, this, &CLoginDlg::OnLoginFinished);
    if (!account.isEmpty() && account != QLatin1String("UNREGISTERED"))
        password_->setFocus();
    else
        account_->clear();
    resize(380, sizeHint().height());
}

void CLoginDlg::SetBusy(bool busy) {
    ok_->setEnabled(!busy);
    account_->setEnabled(!busy);
    password_->setEnabled(!busy);
    status_->setText(busy ? QStringLiteral("Logging in...") : QString());
}

void CLoginDlg::accept() {
    if (request_.busy()) return;
    std::string account = account_->text().toStdString();
    std::string password = password_->text().toStdString();
    SetBusy(true);
    request_.Start([this, account, password](std::stop_token stop, const UiJob::Post&) {
        StopFlag cancel(stop);
        return client_.Login(account, password, cancel.get());
    });
}

void CLoginDlg::reject() {
    // Cancel gives up a request in progress; the window goes once it has.
    if (!request_.Cancel()) QDialog::reject();
}

void CLoginDlg::OnLoginFinished(int code) {
    lastResult_ = code;
    SetBusy(false);
    if (request_.cancelled()) {
        QDialog::reject();
        return;
    }
    if (code == 0) {
        QDialog::accept();
        return;
    }
    if (code == -24)
        ShowMessage(this, QStringLiteral("Incorrect password. Here's your hint: ") +
                              QString::fromStdString(client_.hint()));
    else
        ShowMessage(this, QStringLiteral("Error login in.\n\nPlease try again."));
    password_->setFocus();
}

}  // namespace sky::ui
