#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace sky {

// "host", "host:port", "[v6]:port", a bare IPv6 address, or a mail address
// (only the part after the last "@" is the host).
struct ServerAddress {
    std::string host;
    int port = 0;  // 0: the caller's default
};
ServerAddress ParseServerAddress(std::string_view text);

// How a mail connection is protected.
enum class MailSecurity { kNone, kStartTls, kTls };
MailSecurity ParseMailSecurity(std::string_view text);  // "none", "starttls", "tls"

// The blocking line client shared by POP3 and SMTP. Every read waits at most
// its time-out; Cancel() may be called from any thread and makes the pending
// and every later read or write fail at once.
class MailSocket {
public:
    MailSocket();
    virtual ~MailSocket();
    MailSocket(const MailSocket&) = delete;
    MailSocket& operator=(const MailSocket&) = delete;

    // Used for reads that the protocol leaves open-ended, so none waits forever.
    static constexpr int kDefaultTimeoutSeconds = 60;

    // 0 connected; 1 already open or the host could not be resolved; 2 no
    // socket could be made; 3 every address refused or timed out.
    int Connect(const std::string& host, int port, int timeoutSeconds = 30);

    // Upgrades the open connection to TLS and verifies the peer's certificate
    // against `caFile` (empty: the system store) and `host`. False with
    // lastError() set when the handshake or the verification fails.
    bool StartTls(const std::string& host, const std::string& caFile = {});
    bool IsTls() const { return ssl_ != nullptr; }

    // Sends all of `data`; false on failure.
    bool Send(std::string_view data);

    // Reads one line (up to and including its LF) or, for a longer line, the
    // next `maxBytes` of it. Returns the bytes stored, 0 on end of stream,
    // time-out, cancel or error (see lastError()). A time-out of 0 or less
    // means kDefaultTimeoutSeconds.
    int ReadLine(std::string* out, size_t maxBytes, int timeoutSeconds);

    bool IsConnected() const { return fd_ >= 0; }
    // True when bytes are waiting, buffered or on the socket.
    bool DataPending();
    void Close();
    void Cancel();
    bool cancelled() const { return cancelled_.load(); }

    const std::string& lastError() const { return lastError_; }

    // Splits `text` at any of `separators` (runs count as one) and copies the
    // token `index` (from 0). 0 on success, 1 when there is none.
    static int Token(std::string_view text, std::string_view separators, int index, std::string* out);

protected:
    std::string lastError_;

private:
    // Waits until the socket is readable (`forWrite` false) or writable.
    bool WaitFor(bool forWrite, int timeoutSeconds);
    // Fills the buffer with at least one more byte; false on EOF/error/time-out.
    bool Fill(int timeoutSeconds);
    void FreeTls();

    std::mutex fdMutex_;  // guards fd_ against Cancel from another thread
    int fd_ = -1;
    std::atomic<bool> cancelled_{false};
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    std::string buffer_;
    size_t bufferPos_ = 0;
};

}  // namespace sky
