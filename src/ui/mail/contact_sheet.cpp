#include "ui/mail/contact_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

// Which string of the contact each line field edits.
struct FieldRef {
    const char* name;
    std::string addressbook::CABEntry::*member;
};

const FieldRef kFields[] = {
    {"firstName", &addressbook::CABEntry::firstName},
    {"middleName", &addressbook::CABEntry::middleName},
    {"lastName", &addressbook::CABEntry::lastName},
    {"nickname", &addressbook::CABEntry::nickname},
    {"email", &addressbook::CABEntry::email},
    {"memberId", &addressbook::CABEntry::memberId},
    {"icqNumber", &addressbook::CABEntry::icqNumber},
    {"homeStreet", &addressbook::CABEntry::homeStreet},
    {"homeCity", &addressbook::CABEntry::homeCity},
    {"homeState", &addressbook::CABEntry::homeState},
    {"homePostalCode", &addressbook::CABEntry::homePostalCode},
    {"homeCountry", &addressbook::CABEntry::homeCountry},
    {"homePhone", &addressbook::CABEntry::homePhone},
    {"homeFax", &addressbook::CABEntry::homeFax},
    {"homeCellular", &addressbook::CABEntry::homeCellular},
    {"personalWebPage", &addressbook::CABEntry::personalWebPage},
    {"company", &addressbook::CABEntry::company},
    {"jobTitle", &addressbook::CABEntry::jobTitle},
    {"department", &addressbook::CABEntry::department},
    {"office", &addressbook::CABEntry::office},
    {"businessStreet", &addressbook::CABEntry::businessStreet},
    {"businessCity", &addressbook::CABEntry::businessCity},
    {"businessState", &addressbook::CABEntry::businessState},
    {"businessPostalCode", &addressbook::CABEntry::businessPostalCode},
    {"businessCountry", &addressbook::CABEntry::businessCountry},
    {"businessPhone", &addressbook::CABEntry::businessPhone},
    {"businessFax", &addressbook::CABEntry::businessFax},
    {"pager", &addressbook::CABEntry::pager},
    {"companyWebPage", &addressbook::CABEntry::companyWebPage},
};

}  // namespace

CABContactSheet::CABContactSheet(const addressbook::CABEntry& entry, bool isNew, QWidget* parent)
    : QDialog(parent), entry_(entry) {
    setWindowTitle(isNew ? tr("Add New Contact") : tr("Edit Contact"));
    tabs_ = new QTabWidget(this);
    tabs_->addTab(PersonalPage(), tr("Personal"));
    tabs_->addTab(HomePage(), tr("Home"));
    tabs_->addTab(BusinessPage(), tr("Business"));
    tabs_->addTab(OtherPage(), tr("Other"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    field("firstName")->setFocus();
}

QLineEdit* CABContactSheet::AddField(QFormLayout* form, const QString& label, const char* name,
                                     const std::string& value) {
    auto* edit = new QLineEdit(Q(value));
    edit->setObjectName(QString::fromLatin1(name));
    form->addRow(label, edit);
    return edit;
}

QLineEdit* CABContactSheet::field(const QString& name) const {
    return findChild<QLineEdit*>(name);
}

QWidget* CABContactSheet::PersonalPage() {
    auto* page = new QWidget(this);  // parented at once, so field() finds its edits
    auto* form = new QFormLayout(page);
    const auto& e = entry_;
    AddField(form, tr("&First:"), "firstName", e.firstName);
    AddField(form, tr("&Middle:"), "middleName", e.middleName);
    AddField(form, tr("&Last:"), "lastName", e.lastName);
    display_ = new QComboBox;
    display_->setEditable(true);
    display_->setObjectName("displayName");
    form->addRow(tr("&Display:"), display_);
    AddField(form, tr("&Nickname:"), "nickname", e.nickname);
    AddField(form, tr("&E-Mail Address:"), "email", e.email);
    AddField(form, tr("SkyHarbor User-ID:"), "memberId", e.memberId);
    AddField(form, tr("&ICQ Number:"), "icqNumber", e.icqNumber);
    // Mail from here is always plain text; the box says so rather than offer a choice.
    auto* plain = new QCheckBox(tr("Send E-Mail &using plain text only."));
    plain->setChecked(true);
    plain->setEnabled(false);
    form->addRow(plain);
    auto* add = new QPushButton(tr("Add &to Address Book"));
    connect(add, &QPushButton::clicked, this, &QDialog::accept);
    form->addRow(add);
    for (const char* name : {"firstName", "middleName", "lastName", "nickname"})
        connect(field(name), &QLineEdit::textEdited, this, &CABContactSheet::RefreshDisplayChoices);
    RefreshDisplayChoices();
    display_->setCurrentText(Q(e.displayName));
    return page;
}

void CABContactSheet::RefreshDisplayChoices() {
    QString first = field("firstName")->text().trimmed(), middle = field("middleName")->text().trimmed(),
            last = field("lastName")->text().trimmed(), nick = field("nickname")->text().trimmed();
    QString current = display_->currentText();
    bool followed = display_->count() > 0 && current == display_->itemText(0);
    QStringList choices;
    auto add = [&](const QString& s) {
        QString t = s.simplified();
        if (!t.isEmpty() && !choices.contains(t)) choices << t;
    };
    add(first + " " + middle + " " + last);
    add(first + " " + last);
    add(last.isEmpty() || first.isEmpty() ? QString() : last + ", " + first);
    add(nick);
    display_->clear();
    display_->addItems(choices);
    // The first choice follows the name as it is typed, unless the user picked another.
    display_->setCurrentText(followed || current.isEmpty() ? choices.value(0) : current);
}

QWidget* CABContactSheet::HomePage() {
    auto* page = new QWidget(this);  // parented at once, so field() finds its edits
    auto* form = new QFormLayout(page);
    const auto& e = entry_;
    AddField(form, tr("Street Address:"), "homeStreet", e.homeStreet);
    AddField(form, tr("City:"), "homeCity", e.homeCity);
    AddField(form, tr("State/Province:"), "homeState", e.homeState);
    AddField(form, tr("Zip Code:"), "homePostalCode", e.homePostalCode);
    AddField(form, tr("Country:"), "homeCountry", e.homeCountry);
    AddField(form, tr("Phone:"), "homePhone", e.homePhone);
    AddField(form, tr("Fax:"), "homeFax", e.homeFax);
    AddField(form, tr("Cellular:"), "homeCellular", e.homeCellular);
    AddField(form, tr("Personal Web Page:"), "personalWebPage", e.personalWebPage);
    // The contact file has no place for it, so it is not offered for editing.
    auto* gender = new QComboBox;
    gender->addItems({tr("Unspecified"), tr("Female"), tr("Male")});
    gender->setEnabled(false);
    gender->setToolTip(tr("Not kept in the address book"));
    form->addRow(tr("Gender:"), gender);
    return page;
}

QWidget* CABContactSheet::BusinessPage() {
    auto* page = new QWidget(this);  // parented at once, so field() finds its edits
    auto* form = new QFormLayout(page);
    const auto& e = entry_;
    AddField(form, tr("Company:"), "company", e.company);
    AddField(form, tr("Job Title:"), "jobTitle", e.jobTitle);
    AddField(form, tr("Department:"), "department", e.department);
    AddField(form, tr("Office:"), "office", e.office);
    AddField(form, tr("Street Address:"), "businessStreet", e.businessStreet);
    AddField(form, tr("City:"), "businessCity", e.businessCity);
    AddField(form, tr("State/Province:"), "businessState", e.businessState);
    AddField(form, tr("Zip Code:"), "businessPostalCode", e.businessPostalCode);
    AddField(form, tr("Country:"), "businessCountry", e.businessCountry);
    AddField(form, tr("Phone:"), "businessPhone", e.businessPhone);
    AddField(form, tr("Fax:"), "businessFax", e.businessFax);
    AddField(form, tr("Pager:"), "pager", e.pager);
    AddField(form, tr("Web Page:"), "companyWebPage", e.companyWebPage);
    return page;
}

QWidget* CABContactSheet::OtherPage() {
    auto* page = new QWidget(this);  // parented at once, so field() finds its edits
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel(tr("Notes (a line \"chat:host[:port]\" names the contact's SkyHarbor for chat):")));
    notes_ = new QPlainTextEdit(Q(entry_.notes));
    notes_->setObjectName("notes");
    layout->addWidget(notes_);
    return page;
}

addressbook::CABEntry CABContactSheet::entry() const {
    addressbook::CABEntry e = entry_;
    for (const auto& f : kFields)
        if (auto* edit = field(QString::fromLatin1(f.name))) e.*(f.member) = S(edit->text().trimmed());
    e.displayName = S(display_->currentText().trimmed());
    e.notes = S(notes_->toPlainText());
    return e;
}

}  // namespace sky::ui
