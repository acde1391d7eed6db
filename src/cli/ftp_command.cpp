#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "cli/keyring.h"
#include "core/base/paths.h"
#include "core/ftp/ftp_client.h"

namespace sky::cli {

namespace {

struct FtpArgs {
    std::string url, local, user, passwordFile, knownHosts, keyFile;
    bool acceptNewKey = false, active = false, resume = false, quiet = false;
    int timeout = 30;
};

// "ftp://[user@]host[:port]/path": the site and the path.
bool ParseUrl(const FtpArgs& a, ftp::FtpSite* site, std::string* path, std::string* error) {
    std::string url = a.url;
    size_t sep = url.find("://");
    if (sep == std::string::npos) return *error = "not an ftp://, ftps:// or sftp:// address: " + url, false;
    std::string scheme = url.substr(0, sep);
    if (scheme == "ftp")
        site->protocol = ftp::Protocol::Ftp;
    else if (scheme == "ftps")
        site->protocol = ftp::Protocol::FtpTls;
    else if (scheme == "sftp")
        site->protocol = ftp::Protocol::Sftp;
    else
        return *error = "not an ftp://, ftps:// or sftp:// address: " + url, false;
    std::string rest = url.substr(sep + 3);
    size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    *path = slash == std::string::npos ? "/" : rest.substr(slash);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        site->user = authority.substr(0, at);
        authority = authority.substr(at + 1);
        if (site->user.find(':') != std::string::npos)
            return *error = "a password in the address would show in the process list; use --password-file",
                   false;
    }
    if (!a.user.empty()) site->user = a.user;
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']') == std::string::npos &&
        authority.find(':') == colon) {
        try {
            site->port = std::stoi(authority.substr(colon + 1));
        } catch (...) {
            return *error = "a bad port in " + url, false;
        }
        authority = authority.substr(0, colon);
    }
    if (authority.size() > 2 && authority.front() == '[' && authority.back() == ']')
        authority = authority.substr(1, authority.size() - 2);
    if (authority.empty()) return *error = "no server in " + url, false;
    site->host = authority;
    if (!a.passwordFile.empty()) {
        std::ifstream in(a.passwordFile);
        if (!in) return *error = "cannot read " + a.passwordFile, false;
        std::getline(in, site->password);
        if (!site->password.empty() && site->password.back() == '\r') site->password.pop_back();
    }
    if (a.passwordFile.empty() && !site->user.empty()) {
        // What the window kept for this site, if the user asked it to.
        if (auto kept = KeyringPassword(ftp::KeyringKey(*site))) site->password = *kept;
    }
    site->privateKeyFile = a.keyFile;
    site->activeMode = a.active;
    site->acceptNewKey = a.acceptNewKey;
    site->knownHostsFile = a.knownHosts.empty() ? GetDataDir("FTP") + "known_hosts" : a.knownHosts;
    return true;
}

// "\rname  12345 / 67890 bytes  18%  3.2 MB/s" on standard error.
class ProgressLine {
public:
    ProgressLine(std::string name, bool quiet) : name_(std::move(name)), quiet_(quiet) {}
    ~ProgressLine() {
        if (shown_) std::cerr << "\n";
    }
    ftp::Progress Callback() {
        return [this](uint64_t done, uint64_t total) {
            if (quiet_ || (done == 0 && total == 0)) return true;
            auto now = std::chrono::steady_clock::now();
            bool finished = total && done == total;
            if (shown_ && (done == lastDone_ || (!finished && now - last_ < std::chrono::milliseconds(200))))
                return true;
            last_ = now;
            lastDone_ = done;
            shown_ = true;
            double secs = std::chrono::duration<double>(now - start_).count();
            char line[256];
            std::snprintf(line, sizeof line, "\r%s  %llu / %llu bytes  %d%%  %.1f MB/s   ", name_.c_str(),
                          static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                          total ? static_cast<int>(done * 100 / total) : 0,
                          secs > 0 ? done / secs / 1e6 : 0.0);
            std::cerr << line << std::flush;
            return true;
        };
    }

private:
    std::string name_;
    bool quiet_;
    bool shown_ = false;
    uint64_t lastDone_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_;
};

int Fail(const ftp::FtpResult& r) {
    std::cerr << "skyharbor-cli: " << r.error << "\n";
    if (r.untrusted) std::cerr << "skyharbor-cli: run again with --accept-new-key to trust it from now on\n";
    return 1;
}

std::string FileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Run(const FtpArgs& a, const std::string& what) {
    ftp::FtpSite site;
    std::string path, error;
    if (!ParseUrl(a, &site, &path, &error)) return Usage(error);
    ftp::FtpClient client(site);
    client.timeoutSeconds = a.timeout;
    if (what == "list") {
        std::vector<ftp::FtpEntry> entries;
        ftp::FtpResult r = client.List(path, &entries);
        if (!r.ok) return Fail(r);
        for (const ftp::FtpEntry& e : entries) {
            char when[32] = "";
            std::tm tm{};
            if (e.modified && gmtime_r(&e.modified, &tm))
                std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &tm);
            std::cout << (e.folder ? "Folder" : "File") << "\t" << e.size << "\t" << when << "\t" << e.name
                      << "\n";
        }
        return 0;
    }
    if (what == "mkdir") {
        ftp::FtpResult r = client.MakeFolder(path);
        return r.ok ? 0 : Fail(r);
    }
    if (what == "get") {
        std::string local = a.local;
        struct stat st {};
        if (::stat(local.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string name = FileName(path);
            if (!ftp::SafeLocalName(name))
                return Usage("the remote name cannot be a local file name: " + name);
            local += (local.back() == '/' ? "" : "/") + name;
        }
        ProgressLine line(FileName(path), a.quiet);
        ftp::FtpResult r = client.Get(path, local, line.Callback(), a.resume);
        return r.ok ? 0 : Fail(r);
    }
    if (what == "put") {
        std::string remote = path;
        if (remote.back() == '/') remote += FileName(a.local);
        ProgressLine line(FileName(a.local), a.quiet);
        ftp::FtpResult r = client.Put(a.local, remote, line.Callback(), a.resume);
        return r.ok ? 0 : Fail(r);
    }
    // Many files over one connection: every file of a remote folder, or of a local one.
    std::string folder = path.back() == '/' ? path : path + "/";
    std::string local = a.local.empty() || a.local.back() == '/' ? a.local : a.local + "/";
    int failed = 0, done = 0;
    if (what == "get-many") {
        std::vector<ftp::FtpEntry> entries;
        ftp::FtpResult r = client.List(folder, &entries);
        if (!r.ok) return Fail(r);
        for (const ftp::FtpEntry& e : entries) {
            if (e.folder) continue;
            if (!ftp::SafeLocalName(e.name)) {
                std::cerr << "skyharbor-cli: skipped a name that would leave the folder: " << e.name << "\n";
                ++failed;
                continue;
            }
            r = client.Get(folder + e.name, local + e.name);
            if (!r.ok)
                ++failed, Fail(r);
            else
                ++done;
        }
    } else {
        DIR* dir = opendir(local.c_str());
        if (!dir) return Usage("cannot read the folder " + local);
        while (dirent* d = readdir(dir)) {
            std::string name = d->d_name;
            struct stat st {};
            if (name[0] == '.' || ::stat((local + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            ftp::FtpResult r = client.Put(local + name, folder + name);
            if (!r.ok)
                ++failed, Fail(r);
            else
                ++done;
        }
        closedir(dir);
    }
    if (!a.quiet) std::cerr << done << " files, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}

void AddFtp(CLI::App& root) {
    auto args = std::make_shared<FtpArgs>();
    auto* ftpCmd =
        root.add_subcommand("ftp", "List, fetch and send files over FTP, FTPS (explicit TLS) or SFTP");
    ftpCmd->require_subcommand(1);
    ftpCmd->add_option("--user", args->user, "User name (else the one in the address, else anonymous)");
    ftpCmd->add_option("--password-file", args->passwordFile,
                       "A file whose first line is the password (else the one the window kept in the "
                       "desktop keyring for this user, server and port)");
    ftpCmd->add_option("--key", args->keyFile,
                       "SFTP: the private key to log in with (default: ~/.ssh/id_ed25519, id_ecdsa or "
                       "id_rsa); --password-file then unlocks it");
    ftpCmd->add_option("--known-hosts", args->knownHosts,
                       "Accepted certificates and host keys (a file of ours)");
    ftpCmd->add_flag("--accept-new-key", args->acceptNewKey,
                     "Trust and remember an unverified certificate or key");
    ftpCmd->add_flag("--active", args->active, "Active mode (the server connects back) instead of passive");
    ftpCmd->add_flag("--resume", args->resume, "Continue a transfer that was cut");
    ftpCmd->add_flag("--quiet", args->quiet, "No progress line");
    ftpCmd->add_option("--timeout", args->timeout,
                       "Seconds before a silent connection is given up (default 30)");

    auto* list =
        ftpCmd->add_subcommand("list", "List a remote folder: kind, size, time, name (tab-separated)");
    list->add_option("url", args->url, "ftp://host/folder/")->required();
    OnRun(list, [args] { return Run(*args, "list"); });
    auto* get = ftpCmd->add_subcommand("get", "Fetch a remote file");
    get->add_option("url", args->url, "ftp://host/folder/file")->required();
    get->add_option("local", args->local, "Local file or folder")->required();
    OnRun(get, [args] { return Run(*args, "get"); });
    auto* put = ftpCmd->add_subcommand("put", "Send a local file");
    put->add_option("local", args->local, "Local file")->required();
    put->add_option("url", args->url, "ftp://host/folder/file (or folder/)")->required();
    OnRun(put, [args] { return Run(*args, "put"); });
    auto* mkdir = ftpCmd->add_subcommand("mkdir", "Make a remote folder");
    mkdir->add_option("url", args->url, "ftp://host/folder/new")->required();
    OnRun(mkdir, [args] { return Run(*args, "mkdir"); });
    auto* getMany =
        ftpCmd->add_subcommand("get-many", "Fetch every file of a remote folder over one connection");
    getMany->add_option("url", args->url, "ftp://host/folder/")->required();
    getMany->add_option("local", args->local, "Local folder")->required();
    OnRun(getMany, [args] { return Run(*args, "get-many"); });
    auto* putMany =
        ftpCmd->add_subcommand("put-many", "Send every file of a local folder over one connection");
    putMany->add_option("local", args->local, "Local folder")->required();
    putMany->add_option("url", args->url, "ftp://host/folder/")->required();
    OnRun(putMany, [args] { return Run(*args, "put-many"); });
}

static Registrar reg{&AddFtp};

}  // namespace

}  // namespace sky::cli
