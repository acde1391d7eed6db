#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/sandbox.h"

namespace sky::test {

// True once something accepts connections on 127.0.0.1:port.
bool WaitForPort(int port, int timeoutMs = 15000);

// A certificate for "localhost" and 127.0.0.1 made with openssl in `dir`.
struct TestCert {
    std::string cert, key;
};
TestCert MakeCert(const std::string& dir);

// A program the test starts and stops; its output goes to `log`.
class ChildProcess {
public:
    ~ChildProcess() { Stop(); }
    bool Start(const std::vector<std::string>& argv, const std::string& log);
    void Stop();
    // Waits for the child to end; its exit status, -1 when it did not exit.
    int Wait();
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Dovecot serving POP3 for user "jane" (password "secret") from a maildir in
// its own temporary folder, on free loopback ports.
class Dovecot {
public:
    explicit Dovecot(bool tls = false);
    ~Dovecot();
    bool ok() const { return ok_; }
    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    const std::string& caFile() const { return cert_.cert; }
    const std::string& log() const { return log_; }
    void AddMessage(const std::string& text, const std::string& extraName = "");
    int MessageCount() const;

private:
    std::string dir_, log_;
    int port_ = 0, tlsPort_ = 0;
    TestCert cert_;
    ChildProcess process_;
    bool ok_ = false;
    int serial_ = 0;
};

// aiosmtpd (Debian's python3-aiosmtpd) writing each message it takes into a
// file: "FROM <sender>\nTO <a>,<b>\n\n" and the data as received. With `tls`,
// STARTTLS is required and AUTH (jane/secret) offered after it. Recipients
// starting with "refuse" are refused.
class SmtpSink {
public:
    explicit SmtpSink(bool tls = false);
    ~SmtpSink();
    bool ok() const { return ok_; }
    int port() const { return port_; }
    const std::string& caFile() const { return cert_.cert; }
    std::vector<std::string> Messages() const;

private:
    std::string dir_;
    int port_ = 0;
    TestCert cert_;
    ChildProcess process_;
    bool ok_ = false;
};

// A peer that follows a script: `greeting` is sent on connect, then each
// line the client sends goes to `answer`, whose text is sent back; nullopt
// closes the connection, and so does a text ending in "\x04" once it is
// sent. Lines received are kept in order.
class ScriptedPeer {
public:
    using Answer = std::function<std::optional<std::string>(const std::string& line)>;
    ScriptedPeer(std::string greeting, Answer answer);
    ~ScriptedPeer();
    int port() const { return port_; }
    std::vector<std::string> transcript() const;

private:
    void Serve();
    int listenFd_ = -1;
    int port_ = 0;
    std::string greeting_;
    Answer answer_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> transcript_;
    std::thread thread_;
};

}  // namespace sky::test
