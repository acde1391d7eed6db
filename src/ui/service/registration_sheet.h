#pragma once

#include <QWizard>
#include <QWizardPage>
#include <string>

#include "core/service/registration.h"
#include "ui/base/ui_job.h"

class QLabel;
class QLineEdit;

namespace sky::ui {

// Page 1: what membership brings.
class CRegPropertyPage1 : public QWizardPage {
    Q_OBJECT
public:
    explicit CRegPropertyPage1(QWidget* parent = nullptr);
};

// Page 2: member name, password twice, password prompt.
class CRegPropertyPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CRegPropertyPage2(QWidget* parent = nullptr);
    QLineEdit* member;
    QLineEdit* password;
    QLineEdit* password2;
    QLineEdit* prompt;
};

// Page 3: e-mail address and name; Finish checks and registers.
class CRegPropertyPage3 : public QWizardPage {
    Q_OBJECT
public:
    explicit CRegPropertyPage3(QWidget* parent = nullptr);
    QLineEdit* email;
    QLineEdit* firstName;
    QLineEdit* lastName;
    QLabel* status;
};

// The membership registration sheet. Finish checks the entries in order and
// sends the request on a worker; the sheet closes with OK only when the
// service took the new member.
class CRegPropertySheet : public QWizard {
    Q_OBJECT
public:
    explicit CRegPropertySheet(const std::string& webHost, QWidget* parent = nullptr);

    CRegPropertyPage2* page2() const { return page2_; }
    CRegPropertyPage3* page3() const { return page3_; }
    bool validateCurrentPage() override;
    void reject() override;
    bool busy() const { return request_.busy(); }

    // After success: the member name and password as registered.
    const RegistrationEntries& entries() const { return entries_; }
    bool registered() const { return registered_; }

private:
    void ReadEntries();
    void ShowEntries();
    void OnFinished(int outcome);
    void SetBusy(bool busy);

    std::string webHost_;
    CRegPropertyPage2* page2_;
    CRegPropertyPage3* page3_;
    RegistrationEntries entries_;
    bool registered_ = false;
    UiJob request_;
};

}  // namespace sky::ui
