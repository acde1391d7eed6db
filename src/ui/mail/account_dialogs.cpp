#include "ui/mail/account_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "core/base/text_util.h"
#include "ui/base/messages.h"
#include "ui/mail/password_store.h"

namespace sky::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string S(const QLineEdit* e) {
    return e->text().toStdString();
}

QLineEdit* Field(QWidget* parent, const std::string& text, const char* key, bool hidden = false) {
    auto* e = new QLineEdit(Q(text), parent);
    e->setObjectName(key);
    // Host names and addresses are long; they must show whole.
    e->setMinimumWidth(280);
    if (hidden) e->setEchoMode(QLineEdit::Password);
    return e;
}

QComboBox* SecurityBox(QWidget* parent, const std::string& value, const char* key) {
    auto* box = new QComboBox(parent);
    box->setObjectName(key);
    box->addItem(QStringLiteral("None"), QStringLiteral("none"));
    box->addItem(QStringLiteral("STARTTLS"), QStringLiteral("starttls"));
    box->addItem(QStringLiteral("SSL/TLS"), QStringLiteral("tls"));
    int i = box->findData(Q(ToLower(value)));
    box->setCurrentIndex(i < 0 ? 0 : i);
    return box;
}

QLabel* KeyringNote(QWidget* parent, PasswordStore& passwords) {
    if (passwords.keyringAvailable()) return nullptr;
    auto* note = new QLabel(PasswordStore::FallbackNote(), parent);
    note->setObjectName("keyringNote");
    note->setWordWrap(true);
    return note;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

PromptDialog::PromptDialog(QWidget* parent, const QString& question, bool hidden) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Information Request "));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(question, this));
    edit_ = new QLineEdit(this);
    if (hidden) edit_->setEchoMode(QLineEdit::Password);
    layout->addWidget(edit_);
    layout->addWidget(OkCancel(this));
}

std::optional<QString> Prompt(QWidget* parent, const QString& question, bool hidden) {
    PromptDialog dialog(parent, question, hidden);
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.edit()->text();
}

// ---- E-Mail Settings

AccountDialog::AccountDialog(SettingsStore& settings, PasswordStore& passwords, std::string name,
                             QWidget* parent)
    : QDialog(parent), settings_(settings), passwords_(passwords), name_(std::move(name)) {
    setWindowTitle(QStringLiteral("E-Mail Settings"));
    loaded_ = ReadAccountForDialog(settings_, name_);
    passwords_.FillAccount(name_, &loaded_);
    const MailAccount& a = loaded_;

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    address_ = Field(this, a.emailaddress, "emailaddress");
    fullname_ = Field(this, a.fullname, "fullname");
    smtp_ = Field(this, a.smtp, "smtp");
    pop_ = Field(this, a.pop, "pop");
    user_ = Field(this, a.username, "username");
    password_ = Field(this, a.password, "password", true);
    form->addRow(QStringLiteral("Your Name"), fullname_);
    form->addRow(QStringLiteral("Your E-Mail Address"), address_);
    form->addRow(QStringLiteral("Outgoing Mail Server (SMTP) "), smtp_);
    form->addRow(QStringLiteral("Incoming Mail Server (POP3)"), pop_);
    form->addRow(QStringLiteral("User Name"), user_);
    form->addRow(QStringLiteral("Password"), password_);
    layout->addLayout(form);

    leave_ = new QCheckBox(QStringLiteral("Leave Messages on Server"), this);
    leave_->setChecked(a.leaveonserver != 0);
    layout->addWidget(leave_);
    secure_ = new QCheckBox(QStringLiteral("Use Secure Inbox to recieve mail for this account"), this);
    secure_->setChecked(a.use_secure != 0);
    layout->addWidget(secure_);
    auto* guardForm = new QFormLayout;
    guard_ = Field(this, a.account_password, "account_password", true);
    guardForm->addRow(QStringLiteral("Secure Inbox Password"), guard_);
    layout->addLayout(guardForm);
    guard_->setEnabled(secure_->isChecked());
    connect(secure_, &QCheckBox::toggled, guard_, &QWidget::setEnabled);

    // Encryption and sending login, which the servers of today ask for.
    auto* security = new QGroupBox(QStringLiteral("Security"), this);
    auto* sform = new QFormLayout(security);
    popSecurity_ = SecurityBox(security, a.pop_security, "pop_security");
    smtpSecurity_ = SecurityBox(security, a.smtp_security, "smtp_security");
    smtpUser_ = Field(security, a.smtp_user, "smtp_user");
    smtpPassword_ = Field(security, a.smtp_password, "smtp_password", true);
    smtpUser_->setPlaceholderText(QStringLiteral("none: send without logging in"));
    sform->addRow(QStringLiteral("Incoming connection"), popSecurity_);
    sform->addRow(QStringLiteral("Outgoing connection"), smtpSecurity_);
    sform->addRow(QStringLiteral("Outgoing User Name"), smtpUser_);
    sform->addRow(QStringLiteral("Outgoing Password"), smtpPassword_);
    layout->addWidget(security);

    note_ = KeyringNote(this, passwords_);
    if (note_) layout->addWidget(note_);

    auto* more = new QHBoxLayout;
    auto* look = new QPushButton(QStringLiteral("E-mail Look and Feel..."), this);
    auto* multi = new QPushButton(QStringLiteral("Multi-Pop..."), this);
    more->addWidget(look);
    more->addWidget(multi);
    more->addStretch();
    layout->addLayout(more);
    layout->addWidget(OkCancel(this));
    connect(look, &QPushButton::clicked, this, [this] {
        LookAndFeelDialog d(settings_, this);
        ExecDialog(d);
    });
    connect(multi, &QPushButton::clicked, this, [this] {
        AuxAccountsDialog d(settings_, passwords_, this);
        ExecDialog(d);
    });
}

QLineEdit* AccountDialog::field(const char* key) const {
    return findChild<QLineEdit*>(key);
}

MailAccount AccountDialog::account() const {
    MailAccount a = loaded_;
    a.emailaddress = S(address_);
    a.fullname = S(fullname_);
    a.smtp = S(smtp_);
    a.pop = S(pop_);
    a.username = S(user_);
    a.password = S(password_);
    a.leaveonserver = leave_->isChecked() ? 1 : 0;
    a.use_secure = secure_->isChecked() ? 1 : 0;
    a.account_password = S(guard_);
    a.pop_security = popSecurity_->currentData().toString().toStdString();
    a.smtp_security = smtpSecurity_->currentData().toString().toStdString();
    a.smtp_user = S(smtpUser_);
    a.smtp_password = S(smtpPassword_);
    return a;
}

void AccountDialog::accept() {
    MailAccount a = account();
    if (const char* error = AccountSaveError(a)) {
        ShowMessage(this, error);
        guard_->setFocus();
        return;
    }
    if (!passwords_.SaveAccount(name_, a)) {
        ShowMessage(this,
                    QStringLiteral("The settings could not be written: %1").arg(Q(settings_.lastError())),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
        return;
    }
    QDialog::accept();
}

int AccountDialog::Open(SettingsStore& settings, PasswordStore& passwords, const std::string& name,
                        QWidget* parent) {
    if (settings.GetInt(AccountSection(name), "use_secure", 0) != 0) {
        std::optional<QString> typed =
            Prompt(parent, QStringLiteral("Enter Password for: %1").arg(Q(name)), true);
        if (!typed) return QDialog::Rejected;
        MailAccount stored = ReadAccountForDialog(settings, name);
        passwords.FillAccount(name, &stored);
        if (!GuardPasswordMatches(typed->toStdString(), stored.account_password)) {
            ShowMessage(parent, QString::fromUtf8(kInvalidGuardPassword));
            return QDialog::Rejected;
        }
    }
    AccountDialog dialog(settings, passwords, name, parent);
    return ExecDialog(dialog);
}

// ---- Internet Accounts

AccountListDialog::AccountListDialog(SettingsStore& settings, PasswordStore& passwords, QWidget* parent)
    : QDialog(parent), settings_(settings), passwords_(passwords) {
    setWindowTitle(QStringLiteral("Internet Accounts"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setColumnCount(1);
    list_->setHeaderLabels({QStringLiteral("E-Mail Accounts")});
    list_->setRootIsDecorated(false);
    layout->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    auto* add = new QPushButton(QStringLiteral("New..."), this);
    auto* edit = new QPushButton(QStringLiteral("Change..."), this);
    auto* remove = new QPushButton(QStringLiteral("Delete..."), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* done = new QPushButton(QStringLiteral("Done !"), this);
    ok->setDefault(true);
    for (QPushButton* b : {add, edit, remove}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(done);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &AccountListDialog::AddAccount);
    connect(edit, &QPushButton::clicked, this, &AccountListDialog::EditSelected);
    connect(remove, &QPushButton::clicked, this, &AccountListDialog::DeleteSelected);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &AccountListDialog::EditSelected);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(done, &QPushButton::clicked, this, &QDialog::reject);
    Show(ReadAccountList(settings_));
}

void AccountListDialog::Show(const std::vector<std::string>& names) {
    list_->clear();
    for (const std::string& n : names) list_->addTopLevelItem(new QTreeWidgetItem({Q(n)}));
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
}

std::vector<std::string> AccountListDialog::names() const {
    std::vector<std::string> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        out.push_back(list_->topLevelItem(i)->text(0).toStdString());
    return out;
}

void AccountListDialog::AddAccount() {
    std::optional<QString> answer = Prompt(this, QStringLiteral("Enter Name for the new account"));
    if (!answer) return;
    std::string name = NewAccountName(answer->toStdString());
    if (name.empty()) return;
    std::vector<std::string> shown = names();
    bool known = false;
    for (const std::string& n : shown) known = known || ToLower(n) == ToLower(name);
    if (AccountDialog::Open(settings_, passwords_, name, this) != QDialog::Accepted || known) return;
    // After the stored list, not after the rows shown: a row deleted but not
    // yet confirmed must not make the new name overwrite a stored one.
    AppendAccountName(settings_, static_cast<int>(ReadAccountList(settings_).size()), name);
    shown.push_back(name);
    Show(shown);
    list_->setCurrentItem(list_->topLevelItem(list_->topLevelItemCount() - 1));
}

void AccountListDialog::EditSelected() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item) return;
    AccountDialog::Open(settings_, passwords_, item->text(0).toStdString(), this);
}

void AccountListDialog::DeleteSelected() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item) return;
    if (!AskYesNo(this, QStringLiteral("Delete this account: %1  ?").arg(item->text(0)),
                  QStringLiteral("Are You Sure?")))
        return;
    delete item;
}

void AccountListDialog::accept() {
    WriteAccountList(settings_, names());
    QDialog::accept();
}

// ---- Look and feel

namespace {

QColor ToQColor(int c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

}  // namespace

ColourButton::ColourButton(int colour, QWidget* parent) : QPushButton(parent) {
    setColour(colour);
    setMinimumWidth(80);
    connect(this, &QPushButton::clicked, this, [this] {
        QColor c = QColorDialog::getColor(ToQColor(colour_), this);
        if (c.isValid()) setColour(MailRgb(c.red(), c.green(), c.blue()));
    });
}

void ColourButton::setColour(int colour) {
    colour_ = colour;
    setStyleSheet(QStringLiteral("background-color: %1;").arg(ToQColor(colour).name()));
}

LookAndFeelDialog::LookAndFeelDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("E-Mail Look and Feel Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    top_ = new ColourButton(settings_.GetInt("email", "colr_topbar", kTopBarColour), this);
    bottom_ = new ColourButton(settings_.GetInt("email", "colr_botbar", kBottomBarColour), this);
    label_ = new ColourButton(0, this);
    value_ = new ColourButton(0, this);
    form->addRow(QStringLiteral("Top Bar Color: "), top_);
    form->addRow(QStringLiteral("Bottom Bar Color: "), bottom_);
    form->addRow(QStringLiteral("Email Headers Label:"), label_);
    form->addRow(QStringLiteral("Email Headers Value:"), value_);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

void LookAndFeelDialog::accept() {
    settings_.Edit([&](SettingsEdit& e) {
        e.SetInt("email", "colr_botbar", bottom_->colour());
        e.SetInt("email", "colr_topbar", top_->colour());
        e.SetInt("email", "colr_headers_value", value_->colour());
        e.SetInt("email", "colr_headers_label", label_->colour());
    });
    QDialog::accept();
}

// ---- Advanced Email Settings...

AuxAccountsDialog::AuxAccountsDialog(SettingsStore& settings, PasswordStore& passwords, QWidget* parent)
    : QDialog(parent), settings_(settings), passwords_(passwords) {
    setWindowTitle(QStringLiteral("Advanced Email Settings..."));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral(
            "In addition to your main POP3 account, you can supply up to two more places to grab mail "
            "from..."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    const QString titles[] = {QStringLiteral("Auxiliary Server 1"), QStringLiteral("Auxiliary Server 2 ")};
    for (int which : {2, 3}) {
        AuxPopAccount a = ReadAuxPopAccount(settings_, which);
        passwords_.FillAux(which, &a);
        auto* box = new QGroupBox(titles[which - 2], this);
        auto* form = new QFormLayout(box);
        Group& g = groups_[which - 2];
        g.pop = Field(box, a.pop, "pop");
        g.user = Field(box, a.username, "username");
        g.password = Field(box, a.password, "password", true);
        g.leave = new QCheckBox(QStringLiteral("Leave Messages on Server"), box);
        g.leave->setChecked(a.leaveonserver != 0);
        g.active = new QCheckBox(QStringLiteral("Check this server when getting mail"), box);
        g.active->setChecked(a.active != 0);
        form->addRow(QStringLiteral("Incoming Mail Server (POP3)"), g.pop);
        form->addRow(QStringLiteral("User Name"), g.user);
        form->addRow(QStringLiteral("Password"), g.password);
        form->addRow(g.leave);
        form->addRow(g.active);
        layout->addWidget(box);
    }
    if (QLabel* note = KeyringNote(this, passwords_)) layout->addWidget(note);
    layout->addWidget(OkCancel(this));
}

void AuxAccountsDialog::accept() {
    for (int which : {2, 3}) {
        const Group& g = groups_[which - 2];
        AuxPopAccount a;
        a.pop = S(g.pop);
        a.username = S(g.user);
        a.password = S(g.password);
        a.leaveonserver = g.leave->isChecked() ? 1 : 0;
        a.active = g.active->isChecked() ? 1 : 0;
        passwords_.SaveAux(which, a);
    }
    QDialog::accept();
}

}  // namespace sky::ui
