#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/net/mail_socket.h"

namespace sky {

class SettingsStore;

// The account the fetch and send workers use.
inline constexpr const char* kDefaultMailUser = "DefaultUser";

// Placeholders shown as examples to overwrite (an access provider and a
// second provider for the dialog, a third for the workers).
inline constexpr const char* kDialogAddressDefault = "yourname@your-isp.example.net";
inline constexpr const char* kDialogPopDefault = "mail.your-isp.example.net";
inline constexpr const char* kDialogSmtpDefault = "mail.outbound-provider.example.com";
inline constexpr const char* kWorkerAddressDefault = "member@mail-provider.example.org";
inline constexpr const char* kWorkerSmtpDefault = "mail.mail-provider.example.org";
inline constexpr const char* kWorkerPopDefault = "mail.mail-provider.example.org";
inline constexpr const char* kUserNameDefault = "your account name";
inline constexpr const char* kFullNameDefault = "Jane Doe";

inline constexpr int kDefaultMaxMessageMB = 256;

// One "email_<name>" section.
struct MailAccount {
    std::string fullname;
    std::string emailaddress;
    std::string username;
    std::string password;
    std::string pop;
    std::string smtp;
    int leaveonserver = 0;
    int use_secure = 0;
    std::string account_password;
    // TLS and AUTH, not in the classic settings.
    std::string pop_security = "none";
    std::string smtp_security = "none";
    std::string smtp_user;
    std::string smtp_password;
    // Trusted certificates for this account; empty: the system store.
    std::string ca_file;
    // "[email] MaxMessageMB": larger messages stay on the server.
    int maxMessageMB = kDefaultMaxMessageMB;
};

std::string AccountSection(std::string_view name);  // "email_%s"
// The desktop keyring's name for a password key of an account section
// ("email_x/password"): the window writes it, the cli reads it.
std::string PasswordKeyringKey(const std::string& section, std::string_view key);

// The account as the account dialog shows it (dialog defaults).
MailAccount ReadAccountForDialog(const SettingsStore& store, std::string_view name);
// The account as the fetch and send workers read it (worker defaults).
MailAccount ReadAccountForWorkers(const SettingsStore& store, std::string_view name = kDefaultMailUser);
// Writes the dialog's keys in the dialog's order, then the TLS keys.
bool WriteAccount(SettingsStore& store, std::string_view name, const MailAccount& account);

// The guard password check: both sides trimmed and lower-cased.
bool GuardPasswordMatches(std::string_view typed, std::string_view stored);
// Refuses to save a secured account without a guard password.
inline constexpr const char* kNeedGuardPassword = "You must supply a password for a secured inbox.";
inline constexpr const char* kInvalidGuardPassword = "Invalid Password for this account";

// Why a secured account cannot be saved as it is (kNeedGuardPassword), or
// nullptr. A guard of blanks only counts as none: it would match an empty answer.
const char* AccountSaveError(const MailAccount& account);

// "email_accounts": a1, a2, ... up to the first empty value.
std::vector<std::string> ReadAccountList(const SettingsStore& store);
// Rewrites the list as the list dialog's OK does: the section is emptied,
// each name gets "rootdir"/name and its "inbox" folder (failures ignored) and
// is written under a1, a2, ...
bool WriteAccountList(SettingsStore& store, const std::vector<std::string>& names);
// The list dialog's "New...": the answer trimmed at its right end; empty
// means nothing is added.
std::string NewAccountName(std::string_view answer);
// Writes `name` as the next key after the `rowsBefore` rows the dialog showed.
bool AppendAccountName(SettingsStore& store, int rowsBefore, std::string_view name);
// "rootdir" of "email"; the default is a "mail" folder under the data root.
std::string MailRootDir(const SettingsStore& store);

// "email2" and "email3": extra POP3 servers the "Multi-Pop..." dialog keeps.
struct AuxPopAccount {
    int leaveonserver = 0;
    std::string password;
    std::string pop;
    std::string username;
    int active = 0;
};
AuxPopAccount ReadAuxPopAccount(const SettingsStore& store, int which);  // 2 or 3
bool WriteAuxPopAccount(SettingsStore& store, int which, const AuxPopAccount& account);
std::string AuxSection(int which);  // "email2", "email3"

// One account a mail check fetches: `user` names the mail store folder
// (MailUserDir) whose InBox receives it, `label` is shown in the progress.
struct MailFetchTarget {
    std::string label;
    std::string user;
    // For the password store: "email_<name>" or "email2"/"email3".
    std::string section;
    MailAccount account;
};
// Every account a check fetches, in order: "DefaultUser", each account of the
// list that has a POP3 server, then each active auxiliary server (into
// "DefaultUser"'s InBox: they add places the main account's mail comes from).
std::vector<MailFetchTarget> ReadFetchTargets(const SettingsStore& store);

// Colours of the mail window ("email" section), stored red in the low byte.
constexpr int MailRgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
inline constexpr int kTopBarColour = MailRgb(0, 128, 192);             // 12615680
inline constexpr int kTopBarColourAfterList = MailRgb(127, 159, 127);  // read after "Internet Accounts"
inline constexpr int kBottomBarColour = MailRgb(255, 128, 64);

// Server and port for a connection, with the defaults for `security`.
ServerAddress PopServer(const MailAccount& account);
ServerAddress SmtpServer(const MailAccount& account);

}  // namespace sky
