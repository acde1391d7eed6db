#include "ui/mail/password_store.h"

#include <sys/stat.h>

#include "core/base/settings_store.h"
#include "ui/base/log.h"

namespace sky::ui {

namespace {

constexpr const char* kProbeKey = "keyring-probe";

// Which keys of a section are secrets.
constexpr const char* kAccountSecrets[] = {"password", "smtp_password", "account_password"};

std::string StripSection(std::string_view section) {
    std::string s(section);
    if (s.rfind("email_", 0) == 0) return s.substr(6);
    return s;
}

}  // namespace

PasswordStore::PasswordStore(SettingsStore& settings, std::unique_ptr<SecretBackend> backend)
    : settings_(settings), backend_(std::move(backend)) {}

PasswordStore::PasswordStore(SettingsStore& settings) : PasswordStore(settings, MakeKeychainBackend()) {}

PasswordStore::~PasswordStore() = default;

bool PasswordStore::keyringAvailable() {
    if (!available_) {
        QString ignored;
        available_ = backend_ && backend_->Read(kProbeKey, &ignored) != SecretBackend::Status::kUnavailable;
    }
    return *available_;
}

QString PasswordStore::FallbackNote() {
    return QStringLiteral(
        "No desktop keyring answers: passwords are kept in the settings file, readable by you only.");
}

std::optional<std::string> PasswordStore::Read(const std::string& section, const char* key) {
    if (!keyringAvailable()) return std::nullopt;
    QString value;
    SecretBackend::Status s = backend_->Read(QString::fromStdString(PasswordKeyringKey(section, key)), &value);
    if (s == SecretBackend::Status::kUnavailable) available_ = false;
    if (s != SecretBackend::Status::kOk) return std::nullopt;
    return value.toStdString();
}

bool PasswordStore::Write(const std::string& section, const char* key, const std::string& value) {
    if (!keyringAvailable()) return false;
    QString k = QString::fromStdString(PasswordKeyringKey(section, key));
    SecretBackend::Status s =
        value.empty() ? backend_->Remove(k) : backend_->Write(k, QString::fromStdString(value));
    if (s == SecretBackend::Status::kUnavailable) {
        available_ = false;
        return false;
    }
    // An empty secret needs no keyring entry; a missing one to remove is fine too.
    return true;
}

void PasswordStore::ProtectSettingsFile() {
    // Later atomic rewrites keep the mode of the file they replace.
    if (::chmod(settings_.path().c_str(), 0600) != 0)
        qCWarning(lcMail) << "cannot make the settings file private:" << settings_.path().c_str();
}

bool PasswordStore::SaveAccount(std::string_view name, const MailAccount& account) {
    std::string section = AccountSection(name);
    MailAccount copy = account;
    std::string* fields[] = {&copy.password, &copy.smtp_password, &copy.account_password};
    bool plain = false;
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (Write(section, kAccountSecrets[i], *fields[i]))
            fields[i]->clear();
        else if (!fields[i]->empty())
            plain = true;
    }
    bool ok = WriteAccount(settings_, name, copy);
    if (plain) ProtectSettingsFile();
    return ok;
}

bool PasswordStore::SaveAux(int which, const AuxPopAccount& account) {
    AuxPopAccount copy = account;
    bool plain = false;
    if (Write(AuxSection(which), "password", copy.password))
        copy.password.clear();
    else if (!copy.password.empty())
        plain = true;
    bool ok = WriteAuxPopAccount(settings_, which, copy);
    if (plain) ProtectSettingsFile();
    return ok;
}

void PasswordStore::FillAccount(std::string_view name, MailAccount* account) {
    std::string section = AccountSection(name);
    std::string* fields[] = {&account->password, &account->smtp_password, &account->account_password};
    for (size_t i = 0; i < std::size(fields); ++i) {
        // A value in the settings file was written there because no keyring took it.
        if (!settings_.GetString(section, kAccountSecrets[i], "").empty()) continue;
        if (auto v = Read(section, kAccountSecrets[i])) *fields[i] = *v;
    }
}

void PasswordStore::FillAux(int which, AuxPopAccount* account) {
    std::string section = AuxSection(which);
    if (!settings_.GetString(section, "password", "").empty()) return;
    if (auto v = Read(section, "password")) account->password = *v;
}

void PasswordStore::FillTarget(MailFetchTarget* target) {
    if (target->section.rfind("email_", 0) == 0) {
        FillAccount(StripSection(target->section), &target->account);
        return;
    }
    for (int which : {2, 3}) {
        if (target->section != AuxSection(which)) continue;
        AuxPopAccount aux;
        aux.password = target->account.password;
        FillAux(which, &aux);
        target->account.password = aux.password;
    }
}

MailAccount LoadAccountWithPasswords(SettingsStore& settings, PasswordStore& passwords,
                                     std::string_view section) {
    std::string name = StripSection(section);
    MailAccount account = ReadAccountForWorkers(settings, name);
    passwords.FillAccount(name, &account);
    return account;
}

std::vector<MailFetchTarget> LoadFetchTargetsWithPasswords(SettingsStore& settings,
                                                           PasswordStore& passwords) {
    std::vector<MailFetchTarget> targets = ReadFetchTargets(settings);
    for (MailFetchTarget& t : targets) passwords.FillTarget(&t);
    return targets;
}

}  // namespace sky::ui
