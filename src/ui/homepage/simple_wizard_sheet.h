#pragma once

#include <QWizard>
#include <QWizardPage>

#include "core/homepage/starter_page.h"
#include "ui/homepage/wizard_env.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace sky::ui {

// The file name on the web space and the page's address.
class CSimpleWizardPage1 : public QWizardPage {
    Q_OBJECT
public:
    CSimpleWizardPage1(const WizardEnv& env, QWidget* parent = nullptr);
    QCheckBox* standardName() const { return standard_; }
    QLineEdit* remoteName() const { return name_; }
    QLabel* address() const { return address_; }

private:
    QCheckBox* standard_;
    QLineEdit* name_;
    QLabel* address_;
};

// The texts of the page.
class CSimpleWizardPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CSimpleWizardPage2(QWidget* parent = nullptr);
    QLineEdit *contact, *email, *basicInfo, *subtitle, *title;
};

// The closing page.
class CSimpleWizardPage9 : public QWizardPage {
    Q_OBJECT
public:
    explicit CSimpleWizardPage9(QWidget* parent = nullptr);
};

// Fills the starter page with a few texts and opens it in the page editor.
class CSimpleWizardSheet : public QWizard {
    Q_OBJECT
public:
    explicit CSimpleWizardSheet(WizardEnv env, QWidget* parent = nullptr);

    CSimpleWizardPage1* page1() const { return page1_; }
    CSimpleWizardPage2* page2() const { return page2_; }
    homepage::SimpleWizardFields fields() const;
    // Where Finish writes the page.
    QString pagePath() const;

    void accept() override;

private:
    WizardEnv env_;
    CSimpleWizardPage1* page1_;
    CSimpleWizardPage2* page2_;
};

}  // namespace sky::ui
