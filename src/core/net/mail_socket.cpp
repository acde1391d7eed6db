#include "core/net/mail_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace sky {

namespace {

// Reads wake up this often to look at the cancel flag.
constexpr int kSliceMs = 200;

std::string SslErrorText() {
    unsigned long e = ERR_get_error();
    if (e == 0) return "TLS error";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    ERR_clear_error();
    return buf;
}

bool IsIpAddress(const std::string& host) {
    unsigned char tmp[16];
    return inet_pton(AF_INET, host.c_str(), tmp) == 1 || inet_pton(AF_INET6, host.c_str(), tmp) == 1;
}

}  // namespace

ServerAddress ParseServerAddress(std::string_view text) {
    std::string t = Trim(text);
    size_t at = t.rfind('@');
    if (at != std::string::npos) t = t.substr(at + 1);
    // A mistyped port falls back to the protocol's own rather than failing here.
    if (auto hp = ParseHostPort(t, 0, {.badPortIsDefault = true})) return {hp->host, hp->port};
    return {t, 0};  // not a host name: the connection attempt reports it
}

MailSecurity ParseMailSecurity(std::string_view text) {
    std::string t = ToLower(Trim(text));
    if (t == "starttls") return MailSecurity::kStartTls;
    if (t == "tls") return MailSecurity::kTls;
    return MailSecurity::kNone;
}

MailSocket::MailSocket() = default;

MailSocket::~MailSocket() {
    Close();
}

int MailSocket::Connect(const std::string& host, int port, int timeoutSeconds) {
    if (fd_ >= 0) {
        lastError_ = "already connected";
        return 1;
    }
    if (host.empty()) {
        lastError_ = "no server given";
        return 1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::string service = std::to_string(port);
    int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0 || !list) {
        lastError_ = Format("cannot resolve %s: %s", host.c_str(), gai_strerror(rc));
        return 1;
    }
    int result = 2;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
        if (fd < 0) {
            lastError_ = Format("socket: %s", strerror(errno));
            continue;
        }
        result = 3;
        {
            std::lock_guard<std::mutex> lock(fdMutex_);
            fd_ = fd;
        }
        if (cancelled_) {
            Close();
            break;
        }
        int c = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        bool ok = c == 0;
        if (!ok && errno == EINPROGRESS && WaitFor(true, timeoutSeconds)) {
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
            ok = err == 0;
            if (!ok) lastError_ = Format("connect to %s: %s", host.c_str(), strerror(err));
        } else if (!ok && errno != EINPROGRESS) {
            lastError_ = Format("connect to %s: %s", host.c_str(), strerror(errno));
        }
        if (ok) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            result = 0;
            break;
        }
        Close();
    }
    freeaddrinfo(list);
    return result;
}

bool MailSocket::WaitFor(bool forWrite, int timeoutSeconds) {
    if (timeoutSeconds <= 0) timeoutSeconds = kDefaultTimeoutSeconds;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        if (cancelled_) {
            lastError_ = "cancelled";
            return false;
        }
        pollfd p{fd_, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        int n = poll(&p, 1, kSliceMs);
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) {
            lastError_ = Format("poll: %s", strerror(errno));
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            lastError_ = "the server did not answer in time";
            return false;
        }
    }
}

bool MailSocket::StartTls(const std::string& host, const std::string& caFile) {
    if (fd_ < 0) {
        lastError_ = "not connected";
        return false;
    }
    FreeTls();
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) {
        lastError_ = SslErrorText();
        return false;
    }
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    bool loaded = caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx_) == 1
                                 : SSL_CTX_load_verify_locations(ctx_, caFile.c_str(), nullptr) == 1;
    if (!loaded) {
        lastError_ =
            "cannot load the trusted certificates" + (caFile.empty() ? std::string() : " from " + caFile);
        FreeTls();
        return false;
    }
    ssl_ = SSL_new(ctx_);
    SSL_set_fd(ssl_, fd_);
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    if (IsIpAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, host.c_str());
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
    }
    // Whatever was read in clear before the upgrade must not be mistaken for
    // protected data.
    buffer_.clear();
    bufferPos_ = 0;
    for (;;) {
        int r = SSL_connect(ssl_);
        if (r == 1) break;
        int err = SSL_get_error(ssl_, r);
        if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
            if (!WaitFor(err == SSL_ERROR_WANT_WRITE, 30)) {
                FreeTls();
                return false;
            }
            continue;
        }
        long verify = SSL_get_verify_result(ssl_);
        if (verify != X509_V_OK) {
            lastError_ =
                Format("the server's certificate is not trusted (%s)", X509_verify_cert_error_string(verify));
        } else {
            lastError_ = "TLS handshake failed: " + SslErrorText();
        }
        FreeTls();
        return false;
    }
    return true;
}

bool MailSocket::Send(std::string_view data) {
    if (fd_ < 0) {
        lastError_ = "not connected";
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        if (cancelled_) {
            lastError_ = "cancelled";
            return false;
        }
        size_t chunk = data.size() - done;
        if (ssl_) {
            int n = SSL_write(ssl_, data.data() + done, static_cast<int>(std::min<size_t>(chunk, 1 << 20)));
            if (n > 0) {
                done += n;
                continue;
            }
            int err = SSL_get_error(ssl_, n);
            if ((err == SSL_ERROR_WANT_WRITE || err == SSL_ERROR_WANT_READ) &&
                WaitFor(err == SSL_ERROR_WANT_WRITE, 60))
                continue;
            if (lastError_.empty() || err != SSL_ERROR_WANT_WRITE)
                lastError_ = "send failed: " + SslErrorText();
            return false;
        }
        ssize_t n = ::send(fd_, data.data() + done, chunk, MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(true, 60)) return false;
            continue;
        }
        lastError_ = Format("send failed: %s", strerror(errno));
        return false;
    }
    return true;
}

bool MailSocket::Fill(int timeoutSeconds) {
    if (fd_ < 0) {
        lastError_ = "not connected";
        return false;
    }
    if (bufferPos_ > 0 && bufferPos_ == buffer_.size()) {
        buffer_.clear();
        bufferPos_ = 0;
    }
    char chunk[16384];
    for (;;) {
        if (cancelled_) {
            lastError_ = "cancelled";
            return false;
        }
        if (ssl_) {
            int n = SSL_read(ssl_, chunk, sizeof chunk);
            if (n > 0) {
                buffer_.append(chunk, n);
                return true;
            }
            int err = SSL_get_error(ssl_, n);
            if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
                if (!WaitFor(err == SSL_ERROR_WANT_WRITE, timeoutSeconds)) return false;
                continue;
            }
            lastError_ = err == SSL_ERROR_ZERO_RETURN ? "the server closed the connection"
                                                      : "read failed: " + SslErrorText();
            return false;
        }
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer_.append(chunk, n);
            return true;
        }
        if (n == 0) {
            lastError_ = "the server closed the connection";
            return false;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (!WaitFor(false, timeoutSeconds)) return false;
            continue;
        }
        lastError_ = Format("read failed: %s", strerror(errno));
        return false;
    }
}

int MailSocket::ReadLine(std::string* out, size_t maxBytes, int timeoutSeconds) {
    out->clear();
    while (out->size() < maxBytes) {
        size_t room = maxBytes - out->size();
        size_t avail = buffer_.size() - bufferPos_;
        size_t lf = buffer_.find('\n', bufferPos_);
        if (lf != std::string::npos && lf - bufferPos_ + 1 <= room) {
            size_t take = lf - bufferPos_ + 1;
            out->append(buffer_, bufferPos_, take);
            bufferPos_ += take;
            break;
        }
        if (avail >= room) {
            out->append(buffer_, bufferPos_, room);
            bufferPos_ += room;
            break;
        }
        out->append(buffer_, bufferPos_, avail);
        bufferPos_ += avail;
        // A line cut by the end of the stream is still handed out.
        if (!Fill(timeoutSeconds)) break;
    }
    return static_cast<int>(out->size());
}

bool MailSocket::DataPending() {
    if (bufferPos_ < buffer_.size()) return true;
    if (fd_ < 0) return false;
    if (ssl_ && SSL_pending(ssl_) > 0) return true;
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void MailSocket::FreeTls() {
    if (ssl_) SSL_free(ssl_);
    if (ctx_) SSL_CTX_free(ctx_);
    ssl_ = nullptr;
    ctx_ = nullptr;
}

void MailSocket::Close() {
    FreeTls();
    std::lock_guard<std::mutex> lock(fdMutex_);
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
    }
    fd_ = -1;
    buffer_.clear();
    bufferPos_ = 0;
}

void MailSocket::Cancel() {
    cancelled_ = true;
    // Wakes a blocked poll at once; the lock keeps the descriptor from being
    // closed and reused under us.
    std::lock_guard<std::mutex> lock(fdMutex_);
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

int MailSocket::Token(std::string_view text, std::string_view separators, int index, std::string* out) {
    size_t pos = 0;
    int n = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(separators, pos);
        if (pos == std::string_view::npos) break;
        size_t end = text.find_first_of(separators, pos);
        if (end == std::string_view::npos) end = text.size();
        if (n == index) {
            out->assign(text.substr(pos, end - pos));
            return 0;
        }
        ++n;
        pos = end;
    }
    return 1;
}

}  // namespace sky
