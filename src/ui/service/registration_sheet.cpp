#include "ui/service/registration_sheet.h"

#include <QAbstractButton>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/base/messages.h"

namespace sky::ui {

namespace {

QLineEdit* Field(QWidget* parent, const char* name, bool secret = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (secret) edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CRegPropertyPage1::CRegPropertyPage1(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Become a SkyHarbor member"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        Note(QStringLiteral("Membership is free. As a member you get:<ul>"
                            "<li>your own web space, with home pages you build in SkyHarbor</li>"
                            "<li>a member page others can find, and chat with other members</li>"
                            "<li>bulletins and news from the SkyHarbor service</li></ul>"
                            "Choose <b>Next</b> to pick your member name and password."),
             this));
    layout->addStretch();
}

CRegPropertyPage2::CRegPropertyPage2(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Member name and password"));
    setSubTitle(QStringLiteral("Letters, numbers, '.' and '-' only. Names are kept in lower case."));
    auto* form = new QFormLayout(this);
    member = Field(this, "member");
    password = Field(this, "password", true);
    password2 = Field(this, "password2", true);
    prompt = Field(this, "prompt");
    form->addRow(QStringLiteral("&Member name:"), member);
    form->addRow(QStringLiteral("&Password:"), password);
    form->addRow(QStringLiteral("Password &again:"), password2);
    form->addRow(QStringLiteral("Password p&rompt:"), prompt);
    form->addRow(Note(QStringLiteral("The prompt is shown to you when you log in with a wrong or blank "
                                     "password, to remind you of your password."),
                      this));
}

CRegPropertyPage3::CRegPropertyPage3(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("About you"));
    setSubTitle(QStringLiteral("Your e-mail address is needed; your name is optional."));
    auto* form = new QFormLayout(this);
    email = Field(this, "email");
    firstName = Field(this, "firstName");
    lastName = Field(this, "lastName");
    form->addRow(QStringLiteral("&E-Mail address:"), email);
    form->addRow(QStringLiteral("&First name:"), firstName);
    form->addRow(QStringLiteral("&Last name:"), lastName);
    status = new QLabel(this);
    form->addRow(status);
}

CRegPropertySheet::CRegPropertySheet(const std::string& webHost, QWidget* parent)
    : QWizard(parent), webHost_(webHost) {
    setObjectName(QStringLiteral("CRegPropertySheet"));
    setWindowTitle(QStringLiteral("SkyHarbor Membership Registration"));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    addPage(new CRegPropertyPage1(this));
    page2_ = new CRegPropertyPage2(this);
    addPage(page2_);
    page3_ = new CRegPropertyPage3(this);
    addPage(page3_);
    setButtonText(QWizard::FinishButton, QStringLiteral("&Register"));
    connect(&request_, &UiJob::finished, this, &CRegPropertySheet::OnFinished);
    resize(520, 400);
}

void CRegPropertySheet::ReadEntries() {
    entries_.member = page2_->member->text().toStdString();
    entries_.password = page2_->password->text().toStdString();
    entries_.password2 = page2_->password2->text().toStdString();
    entries_.prompt = page2_->prompt->text().toStdString();
    entries_.email = page3_->email->text().toStdString();
    entries_.firstName = page3_->firstName->text().toStdString();
    entries_.lastName = page3_->lastName->text().toStdString();
}

void CRegPropertySheet::ShowEntries() {
    auto set = [](QLineEdit* edit, const std::string& value) {
        edit->setText(QString::fromStdString(value));
    };
    set(page2_->member, entries_.member);
    set(page2_->password, entries_.password);
    set(page2_->password2, entries_.password2);
    set(page2_->prompt, entries_.prompt);
    set(page3_->email, entries_.email);
    set(page3_->firstName, entries_.firstName);
    set(page3_->lastName, entries_.lastName);
}

void CRegPropertySheet::SetBusy(bool busy) {
    for (QWizard::WizardButton b : {QWizard::BackButton, QWizard::FinishButton})
        if (QAbstractButton* w = button(b)) w->setEnabled(!busy);
    page3_->status->setText(busy ? QStringLiteral("Registering with the service...") : QString());
}

bool CRegPropertySheet::validateCurrentPage() {
    if (currentPage() != page3_) return QWizard::validateCurrentPage();
    if (request_.busy() || registered_) return registered_;
    ReadEntries();
    NormaliseEntries(entries_);
    ShowEntries();
    std::string problem = CheckEntries(entries_);
    if (!problem.empty()) {
        ShowMessage(this, QString::fromStdString(problem));
        return false;
    }
    SetBusy(true);
    request_.Start([host = webHost_, entries = entries_](std::stop_token stop, const UiJob::Post&) {
        StopFlag cancel(stop);
        return int(Register(host, entries, cancel.get()));
    });
    return false;
}

void CRegPropertySheet::reject() {
    // Cancel gives up a request in progress; the sheet goes once it has.
    if (!request_.Cancel()) QWizard::reject();
}

void CRegPropertySheet::OnFinished(int outcome) {
    SetBusy(false);
    if (request_.cancelled()) {
        QWizard::reject();
        return;
    }
    auto result = static_cast<RegistrationOutcome>(outcome);
    ShowMessage(this, QString::fromStdString(RegistrationMessage(result)));
    if (result != RegistrationOutcome::Ok) return;
    registered_ = true;
    QDialog::accept();
}

}  // namespace sky::ui
