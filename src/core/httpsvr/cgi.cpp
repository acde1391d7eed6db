#include "core/httpsvr/cgi.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "core/base/paths.h"
#include "core/base/text_util.h"
#include "core/httpsvr/status.h"

namespace sky::httpsvr {

namespace {

int MakeOutputFile() {
    std::string dir = PrivateTempDir();
    if (dir.empty()) return -1;
    std::string path = dir + "CGIXXXXXX";
    int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

}  // namespace

CgiResult CgiProcess::Run() {
    using Clock = std::chrono::steady_clock;
    CgiResult result;
    int out = MakeOutputFile();
    if (out < 0) return result;
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        ::close(out);
        return result;
    }

    // A body on file is read by the program straight from there.
    const int inputFd = job_.inputFile ? job_.inputFile->fd : in[0];
    if (job_.inputFile) ::lseek(inputFd, 0, SEEK_SET);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, out, 2);
    // Nothing else of the server (listener, other connections) leaks into the program.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawn_file_actions_addchdir_np(&actions, job_.workingDir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so a time-out also ends whatever it started.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv, envp;
    argv.push_back(job_.program.data());
    for (auto& a : job_.args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : job_.env) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, job_.program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out);
        return result;
    }

    const auto deadline = Clock::now() + limit_;
    // The body goes in without blocking, so a program that never reads its
    // input cannot hold the worker past the deadline.
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    size_t written = 0;
    int status = 0;
    bool exited = false;
    while (written < job_.input.size() && !cancelled_ && Clock::now() < deadline) {
        ssize_t n = ::write(in[1], job_.input.data() + written, job_.input.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{in[1], POLLOUT, 0};
            ::poll(&p, 1, 20);
        } else if (n < 0 && errno != EINTR) {
            break;  // the program closed its input
        }
    }
    ::close(in[1]);

    auto pause = std::chrono::microseconds(200);
    while (!cancelled_ && Clock::now() < deadline) {
        pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid || (w < 0 && errno != EINTR)) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(20)) pause *= 2;
    }
    if (!exited) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ::close(out);
        result.outcome = cancelled_ ? CgiResult::kCancelled : CgiResult::kTimedOut;
        return result;
    }
    ::lseek(out, 0, SEEK_SET);
    result.outcome = CgiResult::kFinished;
    result.outputFd = out;
    return result;
}

std::string CgiResponseHead(int fd, uint64_t* bodyOffset, uint64_t* outputSize) {
    // Headers beyond this are not read; the rest of the output is then body.
    constexpr uint64_t kMaxHeaderBytes = 64 * 1024;
    struct stat st {};
    ::fstat(fd, &st);
    *outputSize = static_cast<uint64_t>(st.st_size);
    std::string status, headers, line;
    uint64_t pos = 0;
    bool ended = false;
    char buf[1024];
    ::lseek(fd, 0, SEEK_SET);
    while (!ended && pos < kMaxHeaderBytes) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n && !ended; ++i) {
            ++pos;
            char c = buf[i];
            if (c == '\r') continue;
            if (c != '\n') {
                line += c;
                continue;
            }
            if (line.empty()) {
                ended = true;
                break;
            }
            size_t colon = line.find(':');
            if (colon == std::string::npos) {
                line.clear();
                continue;
            }
            std::string name = Trim(std::string_view(line).substr(0, colon));
            std::string value = Trim(std::string_view(line).substr(colon + 1));
            if (EqualsNoCase(name, "Status")) {
                status = value;
            } else {
                if (EqualsNoCase(name, "Location") && status.empty()) status = StatusText(302);
                headers += name + ": " + value + "\r\n";
            }
            line.clear();
        }
    }
    *bodyOffset = ended ? pos : *outputSize;
    return StartResponse(status.empty() ? StatusText(200) : status) + headers + "\r\n";
}

}  // namespace sky::httpsvr
