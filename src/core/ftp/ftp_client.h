#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sky::ftp {

enum class Protocol { Ftp, FtpTls, Sftp };

// One server as the connect dialog and the site list know it. The password
// is never written anywhere by this code.
struct FtpSite {
    Protocol protocol = Protocol::Ftp;
    std::string host;
    int port = 0;  // 0: the protocol's default (21, 21, 22)
    std::string user;
    std::string password;
    bool activeMode = false;  // passive (EPSV, then PASV) unless asked
    // Certificates and host keys the user accepted once, per host: a file of ours.
    std::string knownHostsFile;
    bool acceptNewKey = false;  // accept and remember an unverified certificate or host key
    // SFTP: the private key to log in with (its ".pub" beside it); empty: the
    // user's usual key in ~/.ssh, when there is one. The password then unlocks it.
    std::string privateKeyFile;
};

// The name a site's password has in the desktop keyring ("ftp:user@host:port"),
// shared by the window that stores it and the cli that reads it.
std::string KeyringKey(const FtpSite& site);

// The first of ~/.ssh/id_ed25519, id_ecdsa, id_rsa that exists, else empty.
std::string DefaultSshKey();

struct FtpEntry {
    std::string name;
    bool folder = false;
    uint64_t size = 0;
    std::time_t modified = 0;  // 0 when the server gave none
};

// What an operation came to. `error` says why in words a user can act on
// ("Connection Failed: ...", "Could not get file: ...").
struct FtpResult {
    bool ok = false;
    bool cancelled = false;
    bool untrusted = false;  // the certificate or host key did not verify
    std::string error;
    long replyCode = 0;  // the server's last reply code, when one came
};

// Bytes done and the total (0 when unknown); false cancels.
using Progress = std::function<bool(uint64_t done, uint64_t total)>;

// One connection to one server, reused by every operation (curl keeps it
// open). One operation at a time, from one thread; Cancel from any thread.
// Every operation has a time-out.
class FtpClient {
public:
    explicit FtpClient(FtpSite site);
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    const FtpSite& site() const { return site_; }
    // Logs in and lists `folder` (so a bad login shows at once).
    FtpResult Connect(const std::string& folder, std::vector<FtpEntry>* entries);
    FtpResult List(const std::string& folder, std::vector<FtpEntry>* entries);
    // Into a hidden temporary beside `localPath`, renamed when complete; with
    // `resume`, a partial temporary left by a cut transfer is continued.
    FtpResult Get(const std::string& remotePath, const std::string& localPath, const Progress& progress = {},
                  bool resume = false);
    // With `resume`, appends what the server lacks.
    FtpResult Put(const std::string& localPath, const std::string& remotePath, const Progress& progress = {},
                  bool resume = false);
    FtpResult MakeFolder(const std::string& path);
    FtpResult CreateEmpty(const std::string& path);
    // Size and time of one remote file (for "changed since fetched").
    FtpResult Stat(const std::string& path, FtpEntry* out);
    void Cancel();

    int timeoutSeconds = 30;  // connect and stall limit

private:
    struct Impl;
    FtpSite site_;
    Impl* impl_;
};

// "ftp://host[:port]/path" (sftp:// for SFTP; ftp:// for explicit TLS too).
std::string SiteUrl(const FtpSite& site, const std::string& path);

// --- rules without a connection ------------------------------------------------

// A listing in the Unix "ls -l", MLSD or DOS/IIS form; "." and ".." are dropped.
std::vector<FtpEntry> ParseListing(std::string_view text);
// The row icon of a file name: 7 "..", 6 no dot, then by the extension 5
// image, 3 web page, 0 text, 4 program, else 6. Folders are 1.
int IconOfName(std::string_view name);
// "%uK": the size / 1024 + 1.
std::string SizeColumn(uint64_t size);
// The current folder after opening the row `name` ("..", ".", or a folder).
std::string OpenFolder(const std::string& current, const std::string& name);
// The address of a dragged row: "ftp://%s%s/%s" (server, folder, name).
std::string DragAddress(const std::string& server, const std::string& folder, const std::string& name);
// The dragged-files block: a 20-byte head (first word 20, fifth word 0), the
// addresses each with its NUL, one more NUL. And back.
std::string RemoteFilesBlock(const std::vector<std::string>& addresses);
std::vector<std::string> ParseRemoteFilesBlock(std::string_view block);
// A name from a listing that may be written into a local folder: no "/",
// no "..", not empty, not ".".
bool SafeLocalName(std::string_view name);

}  // namespace sky::ftp
