#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/mail/mail_accounts.h"
#include "ui/base/keychain.h"

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// POP3, SMTP and guard passwords: in the keyring with the settings value left
// empty when a keyring answers, else in the settings file, which is then made
// readable by its owner only.
class PasswordStore {
public:
    PasswordStore(SettingsStore& settings, std::unique_ptr<SecretBackend> backend);
    // The keyring backend.
    explicit PasswordStore(SettingsStore& settings);
    ~PasswordStore();

    // Asked once; a keyring that fails later makes this false from then on.
    bool keyringAvailable();
    // The one line the dialogs show when passwords stay in the settings file.
    static QString FallbackNote();

    // The dialog keys of one account section, secrets moved to the keyring when it answers.
    bool SaveAccount(std::string_view name, const MailAccount& account);
    bool SaveAux(int which, const AuxPopAccount& account);
    // Secrets from the keyring fill in what the settings file left empty.
    void FillAccount(std::string_view name, MailAccount* account);
    void FillAux(int which, AuxPopAccount* account);
    void FillTarget(MailFetchTarget* target);

private:
    // The keyring's value for section/key, when it has one.
    std::optional<std::string> Read(const std::string& section, const char* key);
    // True when the secret went to the keyring (the settings value must then be empty).
    bool Write(const std::string& section, const char* key, const std::string& value);
    void ProtectSettingsFile();

    SettingsStore& settings_;
    std::unique_ptr<SecretBackend> backend_;
    std::optional<bool> available_;
};

// The account as the fetch and send workers need it, passwords included.
// `section` is the account name ("DefaultUser") or its section ("email_DefaultUser").
MailAccount LoadAccountWithPasswords(SettingsStore& settings, PasswordStore& passwords,
                                     std::string_view section);
// Every account a mail check fetches, passwords included.
std::vector<MailFetchTarget> LoadFetchTargetsWithPasswords(SettingsStore& settings, PasswordStore& passwords);

}  // namespace sky::ui
