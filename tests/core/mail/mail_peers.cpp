#include "mail_peers.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/sandbox.h"

extern char** environ;

namespace sky::test {

namespace fs = std::filesystem;

namespace {

std::string MakeTempDir(const char* prefix) {
    std::string tmpl = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) return {};
    return tmpl;
}

int RunAndWait(const std::vector<std::string>& argv, const std::string& log) {
    ChildProcess p;
    if (!p.Start(argv, log)) return -1;
    return p.Wait();
}

}  // namespace

bool WaitForPort(int port, int timeoutMs) {
    return WaitFor(
        [port] {
            int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            close(fd);
            return ok;
        },
        std::chrono::milliseconds(timeoutMs));
}

TestCert MakeCert(const std::string& dir) {
    TestCert c{dir + "/cert.pem", dir + "/key.pem"};
    RunAndWait(
        {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", c.key, "-out", c.cert,
         "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"},
        dir + "/openssl.log");
    chmod(c.key.c_str(), 0644);
    return c;
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& log) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    int rc = posix_spawnp(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) pid_ = -1;
    return rc == 0;
}

int ChildProcess::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status;
    for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(20000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

Dovecot::Dovecot(bool tls) {
    dir_ = MakeTempDir("skyharbor-dovecot");
    if (dir_.empty()) return;
    chmod(dir_.c_str(), 0755);
    log_ = dir_ + "/dovecot.log";
    port_ = FreePort();
    tlsPort_ = tls ? FreePort() : 0;
    if (tls) cert_ = MakeCert(dir_);
    std::string conf =
        "base_dir = " + dir_ + "/run\n" + "state_dir = " + dir_ + "/state\n" + "log_path = " + log_ + "\n" +
        "protocols = pop3\nlisten = 127.0.0.1\n"
        "disable_plaintext_auth = no\nauth_mechanisms = plain\n"
        "default_internal_user = dovecot\ndefault_login_user = dovenull\n"
        "first_valid_uid = 8\n"
        "mail_location = maildir:" +
        dir_ + "/home/%u/Maildir\n" + "pop3_uidl_format = %08Xu%08Xv\n" +
        (tls ? "ssl = yes\nssl_cert = <" + cert_.cert + "\nssl_key = <" + cert_.key + "\n"
             : std::string("ssl = no\n")) +
        "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " + dir_ +
        "/passwd\n}\n" + "userdb {\n  driver = static\n  args = uid=8 gid=8 home=" + dir_ + "/home/%u\n}\n" +
        "service pop3-login {\n  inet_listener pop3 {\n    port = " + std::to_string(port_) +
        "\n  }\n  inet_listener pop3s {\n    port = " + std::to_string(tlsPort_) + "\n" +
        (tls ? "    ssl = yes\n" : "") + "  }\n}\n" + "service anvil {\n  chroot =\n}\n";
    WriteFile(dir_ + "/dovecot.conf", conf);
    WriteFile(dir_ + "/passwd", "jane:{PLAIN}secret::::::\n");
    for (const char* sub : {"/home/jane/Maildir/new", "/home/jane/Maildir/cur", "/home/jane/Maildir/tmp"})
        fs::create_directories(dir_ + sub);
    for (const char* sub : {"/home", "/home/jane", "/home/jane/Maildir", "/home/jane/Maildir/new",
                            "/home/jane/Maildir/cur", "/home/jane/Maildir/tmp"})
        chown((dir_ + sub).c_str(), 8, 8);
    if (!process_.Start({"dovecot", "-F", "-c", dir_ + "/dovecot.conf"}, dir_ + "/stdout.log")) return;
    ok_ = WaitForPort(port_) && (!tls || WaitForPort(tlsPort_));
}

Dovecot::~Dovecot() {
    process_.Stop();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

void Dovecot::AddMessage(const std::string& text, const std::string& extraName) {
    int n = ++serial_;
    std::string name = std::to_string(1700000000 + n) + ".M" + std::to_string(n) + "P1.test" + extraName;
    std::string tmp = dir_ + "/home/jane/Maildir/tmp/" + name;
    WriteFile(tmp, text);
    chown(tmp.c_str(), 8, 8);
    fs::rename(tmp, dir_ + "/home/jane/Maildir/new/" + name);
}

int Dovecot::MessageCount() const {
    int n = 0;
    for (const char* sub : {"/home/jane/Maildir/new", "/home/jane/Maildir/cur"})
        for (auto& e : fs::directory_iterator(dir_ + sub)) n += e.is_regular_file();
    return n;
}

namespace {

const char* kSmtpScript = R"PY(
import asyncio, os, ssl, sys, threading
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

port, outdir = int(sys.argv[1]), sys.argv[2]
cert = sys.argv[3] if len(sys.argv) > 4 else None
key = sys.argv[4] if len(sys.argv) > 4 else None
count = [0]

class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refuse"):
            return "550 no such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"
    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        head = "FROM %s\nTO %s\n\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos))
        tmp = os.path.join(outdir, "%04d.tmp" % count[0])
        with open(tmp, "wb") as f:
            f.write(head.encode() + envelope.original_content)
        os.rename(tmp, os.path.join(outdir, "%04d.eml" % count[0]))
        return "250 Message accepted for delivery"

def auth(server, session, envelope, mechanism, data):
    ok = isinstance(data, LoginPassword) and data.login == b"jane" and data.password == b"secret"
    return AuthResult(success=ok, handled=False)

kwargs = {}
if cert:
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(cert, key)
    kwargs = dict(tls_context=ctx, require_starttls=True, authenticator=auth, auth_require_tls=True)
c = Controller(Handler(), hostname="127.0.0.1", port=port, decode_data=False, ready_timeout=20, **kwargs)
c.start()
threading.Event().wait()
)PY";

}  // namespace

SmtpSink::SmtpSink(bool tls) {
    dir_ = MakeTempDir("skyharbor-smtp");
    if (dir_.empty()) return;
    port_ = FreePort();
    WriteFile(dir_ + "/sink.py", kSmtpScript);
    fs::create_directories(dir_ + "/out");
    std::vector<std::string> argv = {"/usr/bin/python3", dir_ + "/sink.py", std::to_string(port_),
                                     dir_ + "/out"};
    if (tls) {
        cert_ = MakeCert(dir_);
        argv.push_back(cert_.cert);
        argv.push_back(cert_.key);
    }
    if (!process_.Start(argv, dir_ + "/sink.log")) return;
    ok_ = WaitForPort(port_);
}

SmtpSink::~SmtpSink() {
    process_.Stop();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::vector<std::string> SmtpSink::Messages() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir_ + "/out"))
        if (e.path().extension() == ".eml") names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> out;
    for (const std::string& n : names) out.push_back(ReadFile(n));
    return out;
}

ScriptedPeer::ScriptedPeer(std::string greeting, Answer answer)
    : greeting_(std::move(greeting)), answer_(std::move(answer)) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listenFd_, 4);
    socklen_t len = sizeof a;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    thread_.join();
    close(listenFd_);
}

std::vector<std::string> ScriptedPeer::transcript() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return transcript_;
}

void ScriptedPeer::Serve() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        send(fd, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
        std::string pending;
        bool open = true;
        while (open && !stop_) {
            pollfd q{fd, POLLIN, 0};
            if (poll(&q, 1, 50) <= 0) continue;
            char buf[4096];
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            pending.append(buf, n);
            size_t lf;
            while (open && (lf = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, lf + 1);
                pending.erase(0, lf + 1);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    transcript_.push_back(line);
                }
                std::optional<std::string> reply = answer_(line);
                if (!reply) {
                    open = false;
                    break;
                }
                bool hangUp = !reply->empty() && reply->back() == '\x04';
                send(fd, reply->data(), reply->size() - hangUp, MSG_NOSIGNAL);
                if (hangUp) open = false;
            }
        }
        close(fd);
    }
}

}  // namespace sky::test
