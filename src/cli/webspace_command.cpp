#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "core/base/atomic_file.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/webspace/web_space_client.h"

namespace sky::cli {

namespace {

using namespace sky::webspace;

struct WebSpaceArgs {
    std::string user, passwordFile;
    std::string local, remote;
};

// Status texts as progress lines on standard error.
class ErrLines final : public TransferListener {
public:
    void OnStatus(int, const std::string& text) override { std::cerr << text << "\n"; }
    void OnMessage(const std::string& text) override { std::cerr << "skyharbor-cli: " << text << "\n"; }
    void OnPiece(const std::string& title, const std::string& line) override {
        std::cerr << title << "\n" << line << "\n";
    }
};

// The member as the program keeps it: the account from the settings unless
// --user names another; the password only from a file, never the command line.
int Target(const WebSpaceArgs& a, bool publicSpace, ServerTarget* t) {
    SettingsStore& settings = SettingsStore::App();
    ServiceConfig config = ServiceConfig::Load(settings);
    t->host = publicSpace ? config.hosts.publicSpace : config.hosts.web;
    t->account = a.user.empty() ? settings.GetString("Misc", "Account") : a.user;
    if (t->account.empty() || t->account == "UNREGISTERED")
        return Usage("no member account: log in with the program once, or give --user");
    if (a.passwordFile.empty()) return Usage("the member's password is read from --password-file");
    std::string password;
    if (!ReadWholeFile(a.passwordFile, &password)) {
        std::cerr << "skyharbor-cli: cannot read the password file " << a.passwordFile << "\n";
        return 1;
    }
    while (!password.empty() && (password.back() == '\n' || password.back() == '\r')) password.pop_back();
    t->password = password;
    return 0;
}

int Exit(int result) {
    if (result == 0) return 0;
    std::cerr << "skyharbor-cli: the transfer failed (" << result << ")\n";
    return 1;
}

int List(const WebSpaceArgs& a) {
    ServerTarget t;
    if (int rc = Target(a, false, &t)) return rc;
    ErrLines lines;
    std::string reply;
    int rc = ListFiles(t, lines, {}, &reply);
    if (rc == 0)
        if (auto head = ReadTransferReply(reply)) std::cout << head->text;
    return Exit(rc);
}

int Put(const WebSpaceArgs& a) {
    ServerTarget t;
    if (int rc = Target(a, false, &t)) return rc;
    std::string remote = a.remote;
    if (remote.empty()) {
        size_t cut = a.local.find_last_of('/');
        remote = cut == std::string::npos ? a.local : a.local.substr(cut + 1);
    }
    ErrLines lines;
    return Exit(UploadFile(t, a.local, remote, lines, {}));
}

int Get(const WebSpaceArgs& a) {
    ServerTarget t;
    if (int rc = Target(a, false, &t)) return rc;
    ErrLines lines;
    return Exit(DownloadFile(MemberFileUrl(t.host, t.account, a.remote), a.local, lines, {}));
}

int Delete(const WebSpaceArgs& a) {
    ServerTarget t;
    if (int rc = Target(a, false, &t)) return rc;
    ErrLines lines;
    return Exit(DeleteFile(t, a.remote, lines, {}));
}

int Post(const WebSpaceArgs& a) {
    ServerTarget t;
    if (int rc = Target(a, true, &t)) return rc;
    ErrLines lines;
    return PostToPublicSpace(t, true, a.local, a.remote, lines, {}) == kPublicAcknowledged ? 0 : 1;
}

void AddWebSpace(CLI::App& root) {
    auto* ws = root.add_subcommand("webspace", "List, put, get and delete files of your web space");
    ws->require_subcommand(1);
    auto args = std::make_shared<WebSpaceArgs>();
    ws->add_option("--user", args->user, "The member account (default: the program's)");
    ws->add_option("--password-file", args->passwordFile, "A file holding the member's password");

    OnRun(ws->add_subcommand("list", "List your files"), [args] { return List(*args); });

    auto* put = ws->add_subcommand("put", "Upload a file");
    put->add_option("local", args->local, "The local file")->required();
    put->add_option("remote", args->remote, "Its name in your web space (default: its own)");
    OnRun(put, [args] { return Put(*args); });

    auto* get = ws->add_subcommand("get", "Download a file");
    get->add_option("remote", args->remote, "Its name in your web space")->required();
    get->add_option("local", args->local, "Where to write it")->required();
    OnRun(get, [args] { return Get(*args); });

    auto* del = ws->add_subcommand("delete", "Delete a file");
    del->add_option("remote", args->remote, "Its name in your web space")->required();
    OnRun(del, [args] { return Delete(*args); });

    auto* post = ws->add_subcommand("post", "Post a file to the public space");
    post->add_option("local", args->local, "The local file")->required();
    post->add_option("remote", args->remote, "Its name in the public space")->required();
    OnRun(post, [args] { return Post(*args); });
}

}  // namespace

static Registrar reg{&AddWebSpace};

}  // namespace sky::cli
