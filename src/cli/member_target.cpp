#include "cli/member_target.h"

#include "cli/cli.h"
#include "core/base/atomic_file.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"

namespace sky::cli {

int MemberTarget(const std::string& user, const std::string& passwordFile, bool publicSpace,
                 webspace::ServerTarget* t) {
    SettingsStore& settings = SettingsStore::App();
    ServiceConfig config = ServiceConfig::Load(settings);
    t->host = publicSpace ? config.hosts.publicSpace : config.hosts.web;
    t->account = user.empty() ? settings.GetString("Misc", "Account") : user;
    if (t->account.empty() || t->account == "UNREGISTERED")
        return Usage("no member account: log in with the program once, or give --user");
    if (passwordFile.empty()) return Usage("the member's password is read from --password-file");
    std::string password;
    if (!ReadWholeFile(passwordFile, &password)) {
        std::cerr << "skyharbor-cli: cannot read the password file " << passwordFile << "\n";
        return 1;
    }
    while (!password.empty() && (password.back() == '\n' || password.back() == '\r')) password.pop_back();
    t->password = password;
    return 0;
}

int TransferExit(int result) {
    if (result == 0) return 0;
    std::cerr << "skyharbor-cli: the transfer failed (" << result << ")\n";
    return 1;
}

}  // namespace sky::cli
