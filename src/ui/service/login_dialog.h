#pragma once

#include <QDialog>

#include "ui/base/ui_job.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace sky {
class CSkyRegClient;
}

namespace sky::ui {

// The service login: account and password. The request runs on a worker so
// the window stays alive while the service answers; the dialog closes with
// OK only on success.
class CLoginDlg : public QDialog {
    Q_OBJECT
public:
    CLoginDlg(CSkyRegClient& client, const QString& account, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

    QLineEdit* accountEdit() const { return account_; }
    QLineEdit* passwordEdit() const { return password_; }
    bool busy() const { return request_.busy(); }
    // The last login's result code (1 while none ran).
    int lastResult() const { return lastResult_; }

private:
    void OnLoginFinished(int code);
    void SetBusy(bool busy);

    CSkyRegClient& client_;
    QLineEdit* account_;
    QLineEdit* password_;
    QLabel* status_;
    QPushButton* ok_;
    UiJob request_;
    int lastResult_ = 1;
};

}  // namespace sky::ui
