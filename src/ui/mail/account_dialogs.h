#pragma once

#include <QDialog>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

#include "core/mail/mail_accounts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class PasswordStore;

// The one-line prompt "Information Request ".
class PromptDialog : public QDialog {
public:
    PromptDialog(QWidget* parent, const QString& question, bool hidden);
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};
// The answer, or nothing when cancelled.
std::optional<QString> Prompt(QWidget* parent, const QString& question, bool hidden = false);

// "E-Mail Settings" for one account.
class AccountDialog : public QDialog {
public:
    AccountDialog(SettingsStore& settings, PasswordStore& passwords, std::string name,
                  QWidget* parent = nullptr);

    // The guard password question first for a secured account, then the
    // dialog; QDialog::Accepted once the account was written.
    static int Open(SettingsStore& settings, PasswordStore& passwords, const std::string& name,
                    QWidget* parent = nullptr);

    // The fields as the dialog would write them.
    MailAccount account() const;

    QLineEdit* field(const char* key) const;
    QCheckBox* leaveOnServer() const { return leave_; }
    QCheckBox* useSecure() const { return secure_; }
    QComboBox* popSecurity() const { return popSecurity_; }
    QComboBox* smtpSecurity() const { return smtpSecurity_; }
    // The line shown when passwords stay in the settings file; null otherwise.
    QLabel* keyringNote() const { return note_; }

public:
    void accept() override;

private:
    SettingsStore& settings_;
    PasswordStore& passwords_;
    std::string name_;
    MailAccount loaded_;
    QLineEdit *address_, *fullname_, *smtp_, *pop_, *user_, *password_, *guard_, *smtpUser_, *smtpPassword_;
    QCheckBox *leave_, *secure_;
    QComboBox *popSecurity_, *smtpSecurity_;
    QLabel* note_ = nullptr;
};

// "Internet Accounts": the account list.
class AccountListDialog : public QDialog {
public:
    AccountListDialog(SettingsStore& settings, PasswordStore& passwords, QWidget* parent = nullptr);

    std::vector<std::string> names() const;
    QTreeWidget* list() const { return list_; }
    void AddAccount();
    void EditSelected();
    void DeleteSelected();

public:
    void accept() override;

private:
    void Show(const std::vector<std::string>& names);

    SettingsStore& settings_;
    PasswordStore& passwords_;
    QTreeWidget* list_;
};

// A button that shows a colour and picks another.
class ColourButton : public QPushButton {
public:
    explicit ColourButton(int colour, QWidget* parent = nullptr);
    int colour() const { return colour_; }  // red in the low byte
    void setColour(int colour);

private:
    int colour_ = 0;
};

// "E-Mail Look and Feel Settings": the mail window's colours.
class LookAndFeelDialog : public QDialog {
public:
    explicit LookAndFeelDialog(SettingsStore& settings, QWidget* parent = nullptr);
    ColourButton* topBar() const { return top_; }
    ColourButton* bottomBar() const { return bottom_; }
    ColourButton* headersLabel() const { return label_; }
    ColourButton* headersValue() const { return value_; }

public:
    void accept() override;

private:
    SettingsStore& settings_;
    ColourButton *top_, *bottom_, *label_, *value_;
};

// "Advanced Email Settings...": the two auxiliary POP3 servers.
class AuxAccountsDialog : public QDialog {
public:
    AuxAccountsDialog(SettingsStore& settings, PasswordStore& passwords, QWidget* parent = nullptr);

    struct Group {
        QLineEdit *pop, *user, *password;
        QCheckBox *leave, *active;
    };
    const Group& group(int which) const { return groups_[which - 2]; }  // 2 or 3

public:
    void accept() override;

private:
    SettingsStore& settings_;
    PasswordStore& passwords_;
    Group groups_[2];
};

}  // namespace sky::ui
