// Two `skyharbor-cli chat` processes, each with its own home and loopback
// address, talking through their standard input and output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "chat_fakes.h"
#include "support/sandbox.h"

extern char** environ;

namespace sky::test {
namespace {

// One terminal chat with its standard input and output on pipes; standard
// error stays the test's.
class Terminal {
public:
    Terminal(const std::string& home, std::vector<std::string> args) {
        int in[2], out[2];
        EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        args.insert(args.begin(), {SKYHARBOR_CLI_PATH, "chat"});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env{"SKYHARBOR_HOME=" + home};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "SKYHARBOR_HOME=", 15) != 0) env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&pid_, SKYHARBOR_CLI_PATH, &fa, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~Terminal() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (in_ >= 0) ::close(in_);
        ::close(out_);
    }

    void Type(const std::string& line) {
        std::string text = line + "\n";
        EXPECT_EQ(::write(in_, text.data(), text.size()), ssize_t(text.size())) << line;
    }
    void EndInput() {
        ::close(in_);
        in_ = -1;
    }
    // The first line printed so far, or within 20 s, that contains `part`;
    // a failure of the test and "" when none came.
    std::string Await(const std::string& part) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            for (const std::string& line : lines_)
                if (line.find(part) != std::string::npos) return line;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(int(left.count()))) {
                std::string all;
                for (const std::string& line : lines_) all += line + "\n";
                ADD_FAILURE() << "no line with \"" << part << "\" in:\n" << all;
                return {};
            }
        }
    }
    // The exit status; -1 when it did not end by itself in time.
    int Exit() {
        bool ended = WaitFor([&] { return ::waitpid(pid_, &status_, WNOHANG) == pid_; },
                             std::chrono::milliseconds(20000));
        if (!ended) return -1;
        pid_ = -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    pid_t pid() const { return pid_; }

private:
    bool ReadSome(int timeoutMs) {
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buf[4096];
        ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) return false;
        partial_.append(buf, size_t(n));
        size_t nl;
        while ((nl = partial_.find('\n')) != std::string::npos) {
            lines_.push_back(partial_.substr(0, nl));
            partial_.erase(0, nl + 1);
        }
        return true;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    int status_ = 0;
    std::string partial_;
    std::vector<std::string> lines_;
};

TEST(ChatCliTest, TwoTerminalsCallTalkOfferRefuseAndHangUp) {
    ::signal(SIGPIPE, SIG_IGN);
    Sandbox sandbox;
    const std::string homeA = sandbox.path("a"), homeB = sandbox.path("b");
    std::filesystem::create_directories(homeA);
    std::filesystem::create_directories(homeB);
    const std::string port = std::to_string(FreePort());

    // B asks its user; A takes calls by itself.
    Terminal b(homeB, {"--listen", "127.0.0.3", "--port", port, "--name", "bea"});
    ASSERT_NE(b.Await("* bea listening on 127.0.0.3:" + port), "");
    Terminal a(homeA,
               {"--accept", "--listen", "127.0.0.2", "--port", port, "--name", "al", "127.0.0.3:" + port});
    ASSERT_NE(b.Await("You want to ? [y/n]"), "");
    b.Await("al wants to chat.");
    b.Type("y");
    b.Await("* You have answered al [127.0.0.2]");
    ASSERT_NE(a.Await("* bea [127.0.0.3] will talk to you !"), "");

    a.Type("hello bea");
    b.Type("hi al");
    b.Await("al: hello bea");
    a.Await("bea: hi al");

    // A file offered by A is listed by B with its address, which serves it.
    const std::string file = homeA + "/share/offered.txt";
    WriteFile(file, "what al offers\n");
    a.Type(":file " + file + " notes for bea");
    a.Await("* File Sent [" + file + "]");
    std::string listed = b.Await("  [1] file: notes for bea\t");
    std::string url = listed.substr(listed.find('\t') + 1);
    EXPECT_EQ(url.rfind("http://127.0.0.2:" + port + "/~SKYCMD/", 0), 0u) << listed;
    auto [status, body] = Curl("--interface 127.0.0.3 '" + url + "'");
    EXPECT_EQ(status, 0) << url << "\n" << body;
    EXPECT_EQ(body, "what al offers\n");

    // A "/" command goes through; --accept says No to a question that is
    // not a call.
    b.Type("/finger");
    a.Await("* You've been fingered");
    b.Await("al: My Nickname: al");
    b.Type("/set homepage http://b.example/");
    a.Await("to set your default home page? [y/n] n");
    b.Await("* al says no, thank you");

    // Ctrl+C on A hangs up.
    ASSERT_GT(a.pid(), 0);  // never kill(-1)
    ::kill(a.pid(), SIGINT);
    b.Await("* al has hung up!");
    EXPECT_EQ(a.Exit(), 0);
    b.EndInput();
    EXPECT_EQ(b.Exit(), 0);
}

}  // namespace
}  // namespace sky::test
