#include "core/ftp/ftp_client.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/net/http_client.h"

namespace sky::ftp {

namespace {

int DefaultPort(Protocol p) {
    return p == Protocol::Sftp ? 22 : 21;
}

bool HasControl(const std::string& s) {
    for (char c : s)
        if (c == '\r' || c == '\n' || c == '\0') return true;
    return false;
}

// Each path segment escaped; "/" kept.
std::string EscapePath(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string HostPort(const FtpSite& site) {
    std::string host = site.host.find(':') != std::string::npos ? "[" + site.host + "]" : site.host;
    return host + ":" + std::to_string(site.port ? site.port : DefaultPort(site.protocol));
}

// The address curl is given: FTP paths are from the server's root ("%2F"),
// not from the login folder; SFTP paths are absolute already.
std::string CurlUrl(const FtpSite& site, const std::string& path) {
    std::string p = path.empty() || path[0] != '/' ? "/" + path : path;
    if (site.protocol == Protocol::Sftp) return "sftp://" + HostPort(site) + EscapePath(p);
    return "ftp://" + HostPort(site) + "/%2F" + EscapePath(p.substr(1));
}

std::string Folder(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "/" : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Base64 of the SHA-256 of a PEM certificate's public key, as curl pins it.
std::string PinOfCertificate(const std::string& pem) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* cert = bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    if (!cert) return {};
    unsigned char* der = nullptr;
    int len = i2d_PUBKEY(X509_get0_pubkey(cert), &der);
    std::string pin;
    if (len > 0) {
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(der, static_cast<size_t>(len), digest);
        unsigned char b64[64];
        int n = EVP_EncodeBlock(b64, digest, sizeof digest);
        pin = "sha256//" + std::string(reinterpret_cast<char*>(b64), static_cast<size_t>(n));
    }
    OPENSSL_free(der);
    X509_free(cert);
    return pin;
}

// Our known-hosts file holds SSH keys in OpenSSH's form (curl reads and
// writes those) and, for TLS, lines "@tls host:port sha256//...".
std::string KnownPin(const std::string& file, const std::string& hostPort) {
    std::ifstream in(file);
    std::string line;
    std::string pin;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag, host, value;
        if (words >> tag >> host >> value && tag == "@tls" && host == hostPort) pin = value;
    }
    return pin;
}

bool RememberPin(const std::string& file, const std::string& hostPort, const std::string& pin) {
    std::ifstream in(file);
    std::string kept, line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag, host;
        if (words >> tag >> host && tag == "@tls" && host == hostPort) continue;
        kept += line + "\n";
    }
    in.close();
    std::string tmp = file + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << kept << "@tls " << hostPort << " " << pin << "\n";
        if (!out) return false;
    }
    return std::rename(tmp.c_str(), file.c_str()) == 0;
}

// Keeps `host key` as the one line for `host` ("[host]:port" off port 22) in
// a known-hosts file: curl itself would file it under the bare host, so two
// servers on one machine would take each other's key for a changed one.
bool RememberHostKey(const std::string& file, const std::string& host, const curl_khkey& key) {
    std::string blob = key.len ? std::string(key.key, key.len) : std::string();
    if (blob.size() < 4) return false;
    // The key blob starts with its type's name.
    const auto* b = reinterpret_cast<const unsigned char*>(blob.data());
    size_t typeLength = (size_t{b[0]} << 24) | (size_t{b[1]} << 16) | (size_t{b[2]} << 8) | b[3];
    if (typeLength == 0 || typeLength > 64 || 4 + typeLength > blob.size()) return false;
    std::string type = blob.substr(4, typeLength);
    for (char c : type)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '@' && c != '.') return false;
    std::string encoded(4 * ((blob.size() + 2) / 3) + 1, '\0');
    int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), b, static_cast<int>(blob.size()));
    encoded.resize(n > 0 ? static_cast<size_t>(n) : 0);
    std::ifstream in(file);
    std::string kept, line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (words >> first && first == host) continue;
        kept += line + "\n";
    }
    in.close();
    std::string tmp = file + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << kept << host << " " << type << " " << encoded << "\n";
        if (!out) return false;
    }
    return std::rename(tmp.c_str(), file.c_str()) == 0;
}

bool IsCertificateFailure(CURLcode rc) {
    return rc == CURLE_PEER_FAILED_VERIFICATION || rc == CURLE_SSL_CACERT_BADFILE ||
           rc == CURLE_SSL_PINNEDPUBKEYNOTMATCH || rc == CURLE_SSL_ISSUER_ERROR;
}

bool IsCut(CURLcode rc) {
    return rc == CURLE_PARTIAL_FILE || rc == CURLE_OPERATION_TIMEDOUT || rc == CURLE_RECV_ERROR ||
           rc == CURLE_SEND_ERROR || rc == CURLE_ABORTED_BY_CALLBACK || rc == CURLE_GOT_NOTHING ||
           rc == CURLE_FTP_PORT_FAILED || rc == CURLE_FTP_ACCEPT_TIMEOUT || rc == CURLE_SSH;
}

}  // namespace

std::string KeyringKey(const FtpSite& site) {
    return "ftp:" + site.user + "@" + HostPort(site);
}

std::string DefaultSshKey() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        std::string path = std::string(home) + "/.ssh/" + name;
        if (::access(path.c_str(), R_OK) == 0) return path;
    }
    return {};
}

std::string SiteUrl(const FtpSite& site, const std::string& path) {
    std::string url = site.protocol == Protocol::Sftp ? "sftp://" : "ftp://";
    url += site.host;
    if (site.port && site.port != DefaultPort(site.protocol)) url += ":" + std::to_string(site.port);
    return url + (path.empty() || path[0] != '/' ? "/" + path : path);
}

struct FtpClient::Impl {
    CURL* curl = nullptr;
    std::atomic<bool> cancel{false};
    const Progress* progress = nullptr;
    uint64_t offset = 0;      // bytes already there when resuming
    uint64_t knownTotal = 0;  // the whole size, when curl only knows the rest
    bool upload = false;
    bool noMlsd = false;
    char errbuf[CURL_ERROR_SIZE] = {};
    int sshMatch = -1;  // what curl's known-hosts check said last
    bool acceptKey = false;

    // Stall limit, checked here: curl's own low-speed timer (7.88) makes it
    // sleep a second after every EPSV reply, one second per small file.
    int stallSeconds = 30;
    curl_off_t seenBytes = -1;
    std::chrono::steady_clock::time_point seenAt;
    bool stalled = false;

    static int OnProgress(void* p, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow) {
        auto* self = static_cast<Impl*>(p);
        if (self->cancel.load()) return 1;
        const auto now = std::chrono::steady_clock::now();
        if (dlnow + ulnow != self->seenBytes) {
            self->seenBytes = dlnow + ulnow;
            self->seenAt = now;
        } else if (now - self->seenAt >= std::chrono::seconds(self->stallSeconds)) {
            self->stalled = true;
            return 1;
        }
        if (self->progress && *self->progress) {
            uint64_t done = static_cast<uint64_t>(self->upload ? ulnow : dlnow);
            uint64_t total = static_cast<uint64_t>(self->upload ? ultotal : dltotal);
            if (self->knownTotal) total = self->knownTotal;
            if (!(*self->progress)(self->offset + done, total)) return 1;
        }
        return 0;
    }

    std::string knownHostsFile, knownHost;

    static int OnHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* p) {
        auto* self = static_cast<Impl*>(p);
        self->sshMatch = match;
        if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
        if (!self->acceptKey || !found) return CURLKHSTAT_REJECT;
        return RememberHostKey(self->knownHostsFile, self->knownHost, *found) ? CURLKHSTAT_FINE
                                                                              : CURLKHSTAT_REJECT;
    }

    static size_t ToString(char* data, size_t size, size_t n, void* out) {
        static_cast<std::string*>(out)->append(data, size * n);
        return size * n;
    }
    static size_t ToFile(char* data, size_t size, size_t n, void* f) {
        return std::fwrite(data, size, n, static_cast<FILE*>(f)) * size;
    }
    static size_t FromFile(char* data, size_t size, size_t n, void* f) {
        return std::fread(data, size, n, static_cast<FILE*>(f));
    }
    static int SeekFile(void* f, curl_off_t offset, int origin) {
        return fseeko(static_cast<FILE*>(f), offset, origin) == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    }
    static size_t Nothing(char*, size_t, size_t, void*) { return 0; }
    static size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

    CURLcode last = CURLE_OK;
    CURLM* multi = nullptr;
    CURLcode Perform();
    void Prepare(const FtpSite& site, int timeout, const std::string& url);
    FtpResult Run(const FtpSite& site, const std::string& context, const std::function<void()>& setup);
};

FtpClient::FtpClient(FtpSite site) : site_(std::move(site)), impl_(new Impl) {
    EnsureCurlReady();
    impl_->curl = curl_easy_init();
    impl_->multi = curl_multi_init();
}

FtpClient::~FtpClient() {
    if (impl_->curl) curl_easy_cleanup(impl_->curl);
    if (impl_->multi) curl_multi_cleanup(impl_->multi);
    delete impl_;
}

void FtpClient::Cancel() {
    impl_->cancel.store(true);
    if (impl_->multi) curl_multi_wakeup(impl_->multi);
}

// curl_easy_perform, with one change: when curl waits on no socket at all it
// has sometimes just read a passive-mode reply and forgotten to open the data
// connection (7.88), and would sleep a whole second per file.
CURLcode FtpClient::Impl::Perform() {
    if (!multi || curl_multi_add_handle(multi, curl) != CURLM_OK) return curl_easy_perform(curl);
    CURLcode result = CURLE_OK;
    int running = 1;
    while (running) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (!running) break;
        if (cancel.load()) continue;  // the progress callback ends it on the next round
        fd_set r, w, e;
        FD_ZERO(&r);
        FD_ZERO(&w);
        FD_ZERO(&e);
        int maxfd = -1;
        long wait = -1;
        curl_multi_fdset(multi, &r, &w, &e, &maxfd);
        curl_multi_timeout(multi, &wait);
        if (wait < 0 || wait > 1000) wait = 1000;
        if (maxfd < 0 && wait > 2) wait = 2;
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr);
    }
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(multi, &left))
        if (m->msg == CURLMSG_DONE && m->easy_handle == curl) result = m->data.result;
    curl_multi_remove_handle(multi, curl);
    return result;
}

// The options every operation shares; the handle keeps its connection across resets.
void FtpClient::Impl::Prepare(const FtpSite& site, int timeout, const std::string& url) {
    CURL* c = curl;
    Impl* impl = this;
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, site.protocol == Protocol::Sftp ? "sftp" : "ftp");
    curl_easy_setopt(c, CURLOPT_USERNAME,
                     site.user.empty() && site.protocol != Protocol::Sftp ? "anonymous" : site.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, site.password.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // Large reads and writes: a loopback or LAN link outruns the default 16 KiB.
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, impl->errbuf);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeout));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(timeout));
    stallSeconds = timeout;
    seenBytes = -1;
    seenAt = std::chrono::steady_clock::now();
    stalled = false;
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, impl);
    // Nothing reaches standard output unless an operation asks for the body.
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Impl::Discard);
    if (site.protocol == Protocol::Sftp) {
        long auth = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        if (const char* agent = std::getenv("SSH_AUTH_SOCK"); agent && *agent) auth |= CURLSSH_AUTH_AGENT;
        const std::string key = site.privateKeyFile.empty() ? DefaultSshKey() : site.privateKeyFile;
        if (!key.empty()) {
            auth |= CURLSSH_AUTH_PUBLICKEY;
            curl_easy_setopt(c, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str());
            const std::string pub = key + ".pub";
            if (::access(pub.c_str(), R_OK) == 0)
                curl_easy_setopt(c, CURLOPT_SSH_PUBLIC_KEYFILE, pub.c_str());
            curl_easy_setopt(c, CURLOPT_KEYPASSWD, site.password.c_str());
        }
        curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, auth);
        curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, site.knownHostsFile.c_str());
        knownHostsFile = site.knownHostsFile;
        const int port = site.port ? site.port : DefaultPort(site.protocol);
        knownHost = port == 22 ? site.host : "[" + site.host + "]:" + std::to_string(port);
        curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, &Impl::OnHostKey);
        curl_easy_setopt(c, CURLOPT_SSH_KEYDATA, impl);
        return;
    }
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);
    if (site.activeMode) curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    if (site.protocol == Protocol::FtpTls) {
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        std::string pin = site.knownHostsFile.empty() ? "" : KnownPin(site.knownHostsFile, HostPort(site));
        if (!pin.empty()) {
            // A certificate the user accepted: its key is what we check, not a CA.
            curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
            curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
            curl_easy_setopt(c, CURLOPT_PINNEDPUBLICKEY, pin.c_str());
        }
    }
}

// Runs one prepared transfer; on an unverified certificate that the user
// accepts, pins it and runs once more.
FtpResult FtpClient::Impl::Run(const FtpSite& site, const std::string& context,
                               const std::function<void()>& setup) {
    CURL* c = curl;
    Impl* impl = this;
    FtpResult r;
    impl->errbuf[0] = 0;
    impl->sshMatch = -1;
    impl->acceptKey = site.acceptNewKey;
    setup();
    CURLcode rc = impl->Perform();
    if (rc != CURLE_OK && site.protocol == Protocol::FtpTls && IsCertificateFailure(rc) &&
        site.acceptNewKey && !site.knownHostsFile.empty()) {
        // Once more without verification to read the certificate, then pin it.
        setup();
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(c, CURLOPT_PINNEDPUBLICKEY, nullptr);
        curl_easy_setopt(c, CURLOPT_CERTINFO, 1L);
        impl->errbuf[0] = 0;
        rc = impl->Perform();
        curl_certinfo* info = nullptr;
        std::string pin;
        if (curl_easy_getinfo(c, CURLINFO_CERTINFO, &info) == CURLE_OK && info && info->num_of_certs > 0) {
            for (curl_slist* s = info->certinfo[0]; s; s = s->next)
                if (std::string_view(s->data).starts_with("Cert:")) pin = PinOfCertificate(s->data + 5);
        }
        if (pin.empty() || !RememberPin(site.knownHostsFile, HostPort(site), pin)) {
            r.error = context + ": the server's certificate could not be remembered";
            return r;
        }
    }
    if (rc == CURLE_ABORTED_BY_CALLBACK && impl->stalled) {
        rc = CURLE_OPERATION_TIMEDOUT;
        std::snprintf(impl->errbuf, sizeof impl->errbuf, "no data for %d seconds", impl->stallSeconds);
    }
    last = rc;
    long code = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    r.replyCode = code;
    if (rc == CURLE_OK) {
        r.ok = true;
        return r;
    }
    std::string detail = impl->errbuf[0] ? impl->errbuf : curl_easy_strerror(rc);
    if (rc == CURLE_ABORTED_BY_CALLBACK) {
        r.cancelled = true;
        r.error = context + ": cancelled";
    } else if (rc == CURLE_LOGIN_DENIED || (site.protocol == Protocol::Sftp && rc == CURLE_LOGIN_DENIED)) {
        r.error = "Connection Failed: the server refused the user name or password";
    } else if (IsCertificateFailure(rc) ||
               (site.protocol == Protocol::Sftp && impl->sshMatch > CURLKHMATCH_OK && !site.acceptNewKey)) {
        r.untrusted = true;
        if (site.protocol == Protocol::Sftp)
            r.error = impl->sshMatch == CURLKHMATCH_MISMATCH
                          ? "Connection Failed: the server's host key has CHANGED since it was accepted"
                          : "Connection Failed: the server's host key is not known";
        else if (rc == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
            r.error = "Connection Failed: the server's certificate has CHANGED since it was accepted";
        else
            r.error = "Connection Failed: the server's certificate is not trusted (" + detail + ")";
    } else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST ||
               rc == CURLE_FTP_WEIRD_SERVER_REPLY || rc == CURLE_USE_SSL_FAILED ||
               rc == CURLE_SSL_CONNECT_ERROR) {
        r.error = "Connection Failed: " + detail;
    } else {
        r.error = context + ": " + detail;
    }
    return r;
}

FtpResult FtpClient::Connect(const std::string& folder, std::vector<FtpEntry>* entries) {
    FtpResult r = List(folder, entries);
    if (!r.ok && !r.cancelled && !r.error.starts_with("Connection Failed"))
        r.error = "Connection Failed: " + r.error;
    return r;
}

FtpResult FtpClient::List(const std::string& folder, std::vector<FtpEntry>* entries) {
    std::string path = folder;
    while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.erase(0, 1);
    while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
    if (path.empty() || path.back() != '/') path += '/';
    if (HasControl(path)) return {false, false, false, "Could not list the folder: a bad name", 0};
    impl_->cancel.store(false);
    impl_->progress = nullptr;
    std::string text;
    auto setup = [&](const char* verb) {
        return [&, verb] {
            text.clear();
            impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, path));
            curl_easy_setopt(impl_->curl, CURLOPT_WRITEFUNCTION, &Impl::ToString);
            curl_easy_setopt(impl_->curl, CURLOPT_WRITEDATA, &text);
            if (verb) curl_easy_setopt(impl_->curl, CURLOPT_CUSTOMREQUEST, verb);
        };
    };
    bool mlsd = site_.protocol != Protocol::Sftp && !impl_->noMlsd;
    FtpResult r = impl_->Run(site_, "Could not list the folder", setup(mlsd ? "MLSD" : nullptr));
    if (!r.ok && mlsd && !r.cancelled && !r.untrusted && r.replyCode >= 500 && r.replyCode != 530) {
        // A server without MLSD: its plain listing instead, from now on.
        impl_->noMlsd = true;
        r = impl_->Run(site_, "Could not list the folder", setup(nullptr));
    }
    if (r.ok && entries) *entries = ParseListing(text);
    return r;
}

FtpResult FtpClient::Get(const std::string& remotePath, const std::string& localPath,
                         const Progress& progress, bool resume) {
    if (HasControl(remotePath)) return {false, false, false, "Could not get file: a bad name", 0};
    size_t slash = localPath.rfind('/');
    std::string temp = localPath.substr(0, slash + 1) + "." + localPath.substr(slash + 1) + ".part";
    struct stat st {};
    uint64_t have = resume && ::stat(temp.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    uint64_t whole = 0;
    if (have) {
        // curl counts only what is left; the size lets progress show the whole file,
        // and a part longer than the file (it changed) starts over.
        FtpEntry remote;
        FtpResult sized = Stat(remotePath, &remote);
        if (sized.ok) whole = remote.size;
        if (sized.ok && have > whole) have = 0;
    }
    FILE* f = std::fopen(temp.c_str(), have ? "ab" : "wb");
    if (!f) return {false, false, false, "Could not get file: cannot write " + temp, 0};
    impl_->cancel.store(false);
    impl_->progress = &progress;
    impl_->offset = have;
    impl_->knownTotal = whole;
    impl_->upload = false;
    FtpResult r = impl_->Run(site_, "Could not get file", [&] {
        std::fflush(f);
        impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, remotePath));
        curl_easy_setopt(impl_->curl, CURLOPT_WRITEFUNCTION, &Impl::ToFile);
        curl_easy_setopt(impl_->curl, CURLOPT_WRITEDATA, f);
        if (have) curl_easy_setopt(impl_->curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(have));
    });
    bool written = std::fclose(f) == 0;
    impl_->progress = nullptr;
    impl_->offset = 0;
    impl_->knownTotal = 0;
    if (r.ok && !written) r = {false, false, false, "Could not get file: the disk refused it", r.replyCode};
    if (r.ok && std::rename(temp.c_str(), localPath.c_str()) != 0)
        r = {false, false, false, "Could not get file: cannot write " + localPath, r.replyCode};
    // A cut transfer keeps its hidden part for a resume; anything else leaves nothing.
    if (!r.ok && !(impl_->last != CURLE_OK && IsCut(impl_->last))) ::unlink(temp.c_str());
    return r;
}

FtpResult FtpClient::Put(const std::string& localPath, const std::string& remotePath,
                         const Progress& progress, bool resume) {
    if (HasControl(remotePath)) return {false, false, false, "Could not put file: a bad name", 0};
    FILE* f = std::fopen(localPath.c_str(), "rb");
    if (!f) return {false, false, false, "Could not put file: cannot read " + localPath, 0};
    struct stat st {};
    fstat(fileno(f), &st);
    impl_->cancel.store(false);
    impl_->progress = &progress;
    impl_->offset = 0;
    impl_->upload = true;
    FtpResult r = impl_->Run(site_, "Could not put file", [&] {
        std::rewind(f);
        impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, remotePath));
        curl_easy_setopt(impl_->curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(impl_->curl, CURLOPT_READFUNCTION, &Impl::FromFile);
        curl_easy_setopt(impl_->curl, CURLOPT_READDATA, f);
        curl_easy_setopt(impl_->curl, CURLOPT_SEEKFUNCTION, &Impl::SeekFile);
        curl_easy_setopt(impl_->curl, CURLOPT_SEEKDATA, f);
        curl_easy_setopt(impl_->curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(st.st_size));
        // -1: curl asks the server how much it has and sends the rest.
        if (resume) curl_easy_setopt(impl_->curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(-1));
    });
    std::fclose(f);
    impl_->progress = nullptr;
    impl_->upload = false;
    return r;
}

FtpResult FtpClient::MakeFolder(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (HasControl(p) || BaseName(p).empty())
        return {false, false, false, "Error Creating Directory: a bad name", 0};
    impl_->cancel.store(false);
    impl_->progress = nullptr;
    curl_slist* quote = nullptr;
    FtpResult r = impl_->Run(site_, "Error Creating Directory", [&] {
        curl_slist_free_all(quote);
        quote = nullptr;
        if (site_.protocol == Protocol::Sftp) {
            std::string q = "mkdir \"";
            for (char c : (p[0] == '/' ? p : "/" + p)) {
                if (c == '"' || c == '\\') q += '\\';
                q += c;
            }
            quote = curl_slist_append(quote, (q + "\"").c_str());
            impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, "/"));
        } else {
            // QUOTE runs before curl changes folder: the path is the server's absolute one.
            quote = curl_slist_append(quote, ("MKD " + (p[0] == '/' ? p : "/" + p)).c_str());
            impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, "/"));
        }
        curl_easy_setopt(impl_->curl, CURLOPT_QUOTE, quote);
        curl_easy_setopt(impl_->curl, CURLOPT_NOBODY, 1L);
    });
    curl_slist_free_all(quote);
    return r;
}

FtpResult FtpClient::CreateEmpty(const std::string& path) {
    if (HasControl(path) || BaseName(path).empty())
        return {false, false, false, "Error Creating file: a bad name", 0};
    impl_->cancel.store(false);
    impl_->progress = nullptr;
    return impl_->Run(site_, "Error Creating file", [&] {
        impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, path));
        curl_easy_setopt(impl_->curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(impl_->curl, CURLOPT_READFUNCTION, &Impl::Nothing);
        curl_easy_setopt(impl_->curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(0));
    });
}

FtpResult FtpClient::Stat(const std::string& path, FtpEntry* out) {
    if (HasControl(path)) return {false, false, false, "Could not read the file's size: a bad name", 0};
    impl_->cancel.store(false);
    impl_->progress = nullptr;
    FtpResult r = impl_->Run(site_, "Could not read the file's size", [&] {
        impl_->Prepare(site_, timeoutSeconds, CurlUrl(site_, path));
        curl_easy_setopt(impl_->curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(impl_->curl, CURLOPT_FILETIME, 1L);
    });
    if (r.ok && out) {
        curl_off_t size = -1, time = -1;
        curl_easy_getinfo(impl_->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
        curl_easy_getinfo(impl_->curl, CURLINFO_FILETIME_T, &time);
        out->name = BaseName(path);
        out->folder = false;
        out->size = size > 0 ? static_cast<uint64_t>(size) : 0;
        out->modified = time > 0 ? static_cast<std::time_t>(time) : 0;
    }
    return r;
}

}  // namespace sky::ftp
