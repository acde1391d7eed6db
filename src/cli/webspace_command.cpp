#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/member_target.h"
#include "core/webspace/web_space_client.h"

namespace sky::cli {

namespace {

using namespace sky::webspace;

struct WebSpaceArgs {
    std::string user, passwordFile;
    std::string local, remote;
};

int Target(const WebSpaceArgs& a, bool publicSpace, ServerTarget* t) {
    return MemberTarget(a.user, a.passwordFile, publicSpace, t);
}

int Exit(int result) {
    return TransferExit(result);
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
