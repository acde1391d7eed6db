#include "core/mail/mail_accounts.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"
#include "core/mail/mail_store.h"

namespace sky {

std::string AccountSection(std::string_view name) {
    return "email_" + std::string(name);
}

std::string PasswordKeyringKey(const std::string& section, std::string_view key) {
    return section + "/" + std::string(key);
}

namespace {

void ReadSecurityKeys(const SettingsStore& s, const std::string& sec, MailAccount* a) {
    a->pop_security = s.GetString(sec, "pop_security", "none");
    a->smtp_security = s.GetString(sec, "smtp_security", "none");
    a->smtp_user = s.GetString(sec, "smtp_user", "");
    a->smtp_password = s.GetString(sec, "smtp_password", "");
    a->ca_file = s.GetString(sec, "ca_file", "");
}

}  // namespace

MailAccount ReadAccountForDialog(const SettingsStore& s, std::string_view name) {
    std::string sec = AccountSection(name);
    MailAccount a;
    a.fullname = s.GetString(sec, "fullname", kFullNameDefault);
    a.emailaddress = s.GetString(sec, "emailaddress", kDialogAddressDefault);
    a.username = s.GetString(sec, "username", kUserNameDefault);
    a.password = s.GetString(sec, "password", kDialogAddressDefault);
    a.pop = s.GetString(sec, "pop", kDialogPopDefault);
    a.smtp = s.GetString(sec, "smtp", kDialogSmtpDefault);
    a.leaveonserver = s.GetInt(sec, "leaveonserver", 0);
    a.use_secure = s.GetInt(sec, "use_secure", 0);
    a.account_password = s.GetString(sec, "account_password", "");
    ReadSecurityKeys(s, sec, &a);
    return a;
}

MailAccount ReadAccountForWorkers(const SettingsStore& s, std::string_view name) {
    std::string sec = AccountSection(name);
    MailAccount a;
    a.fullname = s.GetString(sec, "fullname", kFullNameDefault);
    a.emailaddress = s.GetString(sec, "emailaddress", kWorkerAddressDefault);
    a.username = s.GetString(sec, "username", kUserNameDefault);
    a.password = s.GetString(sec, "password", kWorkerAddressDefault);
    a.pop = s.GetString(sec, "pop", "");
    a.smtp = s.GetString(sec, "smtp", kWorkerSmtpDefault);
    a.leaveonserver = s.GetInt(sec, "leaveonserver", 0);
    ReadSecurityKeys(s, sec, &a);
    a.maxMessageMB = s.GetInt("email", "MaxMessageMB", kDefaultMaxMessageMB);
    if (a.maxMessageMB <= 0) a.maxMessageMB = kDefaultMaxMessageMB;
    return a;
}

bool WriteAccount(SettingsStore& s, std::string_view name, const MailAccount& a) {
    std::string sec = AccountSection(name);
    // One write: a fetch never starts from half an account.
    return s.Edit([&](SettingsEdit& e) {
        e.SetInt(sec, "leaveonserver", a.leaveonserver);
        e.Set(sec, "emailaddress", a.emailaddress);
        e.Set(sec, "fullname", a.fullname);
        e.Set(sec, "password", a.password);
        e.Set(sec, "pop", a.pop);
        e.Set(sec, "smtp", a.smtp);
        e.Set(sec, "username", a.username);
        e.SetInt(sec, "use_secure", a.use_secure);
        e.Set(sec, "account_password", a.account_password);
        e.Set(sec, "pop_security", a.pop_security);
        e.Set(sec, "smtp_security", a.smtp_security);
        e.Set(sec, "smtp_user", a.smtp_user);
        e.Set(sec, "smtp_password", a.smtp_password);
    });
}

bool GuardPasswordMatches(std::string_view typed, std::string_view stored) {
    return ToLower(Trim(typed)) == ToLower(Trim(stored));
}

const char* AccountSaveError(const MailAccount& a) {
    if (a.use_secure != 0 && Trim(a.account_password).empty()) return kNeedGuardPassword;
    return nullptr;
}

std::string NewAccountName(std::string_view answer) {
    size_t end = answer.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string() : std::string(answer.substr(0, end + 1));
}

bool AppendAccountName(SettingsStore& s, int rowsBefore, std::string_view name) {
    return s.WriteString("email_accounts", Format("a%d", rowsBefore + 1), name);
}

std::vector<std::string> ReadAccountList(const SettingsStore& s) {
    std::vector<std::string> names;
    for (int i = 1;; ++i) {
        std::string v = s.GetString("email_accounts", Format("a%d", i), "");
        if (v.empty()) break;
        names.push_back(v);
    }
    return names;
}

std::string MailRootDir(const SettingsStore& s) {
    std::string root = s.GetString("email", "rootdir", "");
    if (root.empty()) root = JoinPath(DataRoot(), "mail");
    if (root.back() != '/') root += '/';
    return root;
}

bool WriteAccountList(SettingsStore& s, const std::vector<std::string>& names) {
    std::string root = MailRootDir(s);
    ::mkdir(root.c_str(), 0700);
    for (const std::string& name : names) {
        std::string dir = root + name;
        ::mkdir(dir.c_str(), 0700);
        ::mkdir((dir + "/inbox").c_str(), 0700);
    }
    // The old list goes and the new one comes in one write, so no reader
    // sees the list empty in between.
    return s.Edit([&](SettingsEdit& e) {
        for (const std::string& key : e.KeyNames("email_accounts")) e.Remove("email_accounts", key);
        for (size_t i = 0; i < names.size(); ++i) e.Set("email_accounts", Format("a%zu", i + 1), names[i]);
    });
}

std::string AuxSection(int which) {
    return Format("email%d", which);
}

AuxPopAccount ReadAuxPopAccount(const SettingsStore& s, int which) {
    std::string sec = AuxSection(which);
    AuxPopAccount a;
    a.leaveonserver = s.GetInt(sec, "leaveonserver", 0);
    a.password = s.GetString(sec, "password", kWorkerAddressDefault);
    a.pop = s.GetString(sec, "pop", kWorkerPopDefault);
    a.username = s.GetString(sec, "username", kUserNameDefault);
    a.active = s.GetInt(sec, "active", 0);
    return a;
}

bool WriteAuxPopAccount(SettingsStore& s, int which, const AuxPopAccount& a) {
    std::string sec = AuxSection(which);
    return s.Edit([&](SettingsEdit& e) {
        e.SetInt(sec, "leaveonserver", a.leaveonserver);
        e.Set(sec, "password", a.password);
        e.Set(sec, "pop", a.pop);
        e.Set(sec, "username", a.username);
        e.SetInt(sec, "active", a.active);
    });
}

std::vector<MailFetchTarget> ReadFetchTargets(const SettingsStore& s) {
    std::vector<MailFetchTarget> targets;
    targets.push_back({kDefaultMailUser, kDefaultMailUser, AccountSection(kDefaultMailUser),
                       ReadAccountForWorkers(s, kDefaultMailUser)});
    std::vector<std::string> seen = {ToLower(kDefaultMailUser)};
    for (const std::string& name : ReadAccountList(s)) {
        // Section names ignore case, so "home" and "Home" are one account.
        std::string key = ToLower(name);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        MailAccount a = ReadAccountForWorkers(s, name);
        // A name added to the list but never set up has nothing to fetch from.
        if (Trim(a.pop).empty()) continue;
        targets.push_back({name, MailUserDir(name), AccountSection(name), std::move(a)});
    }
    for (int which : {2, 3}) {
        AuxPopAccount aux = ReadAuxPopAccount(s, which);
        if (aux.active == 0 || Trim(aux.pop).empty()) continue;
        MailAccount a = ReadAccountForWorkers(s, kDefaultMailUser);
        a.pop = aux.pop;
        a.username = aux.username;
        a.password = aux.password;
        a.leaveonserver = aux.leaveonserver;
        // The auxiliary sections carry no TLS keys.
        a.pop_security = "none";
        a.ca_file.clear();
        targets.push_back(
            {Format("Auxiliary Server %d", which - 1), kDefaultMailUser, AuxSection(which), std::move(a)});
    }
    return targets;
}

ServerAddress PopServer(const MailAccount& a) {
    ServerAddress s = ParseServerAddress(a.pop);
    if (s.port == 0) s.port = ParseMailSecurity(a.pop_security) == MailSecurity::kTls ? 995 : 110;
    return s;
}

ServerAddress SmtpServer(const MailAccount& a) {
    ServerAddress s = ParseServerAddress(a.smtp);
    if (s.port == 0) s.port = ParseMailSecurity(a.smtp_security) == MailSecurity::kTls ? 465 : 25;
    return s;
}

}  // namespace sky
