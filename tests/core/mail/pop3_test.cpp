#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <mutex>

#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_store.h"
#include "core/mail/pop3_client.h"
#include "mail_peers.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::ReadFile;
using test::WriteFile;

// Collects a worker's reports (they arrive on the worker thread).
struct Recorder : MailWorkerListener {
    std::mutex m;
    std::vector<std::string> lines, paths;
    std::string failure, detail;
    int result = -1;
    void Add(std::vector<std::string>& to, const std::string& s) {
        std::lock_guard<std::mutex> g(m);
        to.push_back(s);
    }
    void mailProgress(const std::string& l) override { Add(lines, l); }
    void newMessage(const std::string& p) override { Add(paths, p); }
    void connectFailed(const std::string& msg, const std::string& d) override {
        failure = msg;
        detail = d;
    }
    void mailDone(int r) override { result = r; }
};

MailAccount Account(int port, bool leave = false) {
    MailAccount a;
    a.pop = "127.0.0.1:" + std::to_string(port);
    a.username = "jane";
    a.password = "secret";
    a.leaveonserver = leave;
    return a;
}

bool WorkFolderEmpty() {
    return std::filesystem::is_empty(MailWorkFolder());
}

const std::string kDuplicate = "-- Duplicate Message Found in your Inbox";

long Count(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// A mailbox on the scripted peer. RETR sends the message as given (already
// stuffed) and then "." + `eol`; LIST gives `listSize` when set.
struct Mailbox {
    std::vector<std::string> messages;
    std::string eol = "\r\n";
    std::string listSize = "";
    std::string Size(size_t i) const {
        return listSize.empty() ? std::to_string(messages[i].size()) : listSize;
    }
    std::optional<std::string> operator()(const std::string& l) const {
        if (l == "STAT\r\n") return "+OK " + std::to_string(messages.size()) + " 100\r\n";
        if (l == "LIST\r\n") {
            std::string r = "+OK\r\n";
            for (size_t i = 0; i < messages.size(); ++i) r += std::to_string(i + 1) + " " + Size(i) + "\r\n";
            return r + ".\r\n";
        }
        size_t n = l.size() > 5 ? std::strtoul(l.c_str() + 5, nullptr, 10) : 0;
        bool known = n >= 1 && n <= messages.size();
        if (l.starts_with("LIST ") && known) return "+OK " + std::to_string(n) + " " + Size(n - 1) + "\r\n";
        if (l.starts_with("RETR "))
            return known ? "+OK\r\n" + messages[n - 1] + "." + eol : "-ERR no such message\r\n";
        if (l == "Quit\r\n") return "+OK bye\r\n\x04";
        return "+OK\r\n";
    }
};

std::vector<std::string> Sent(const test::ScriptedPeer& peer, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : peer.transcript())
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

std::vector<std::string> InboxNames() {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(GetMailFolderPath("InBox")))
        out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

int Fetch(const MailAccount& a, Recorder* rec, int timeout = 10) {
    CheckMailWorker w(rec, a);
    w.replyTimeoutSeconds = timeout;
    w.readTimeoutSeconds = timeout;
    return w.Run();
}

// One mail check against a scripted peer.
struct Check {
    Check(test::ScriptedPeer::Answer answer, int timeout = 10, bool leave = false, int maxMB = 0,
          std::string greeting = "+OK hi\r\n")
        : peer(std::move(greeting), std::move(answer)) {
        MailAccount a = Account(peer.port(), leave);
        if (maxMB) a.maxMessageMB = maxMB;
        result = Fetch(a, &rec, timeout);
    }
    test::ScriptedPeer peer;
    Recorder rec;
    int result = -1;
};

TEST(Pop3DovecotTest, FetchesEveryMessageWholeAndEmptiesTheServer) {
    test::Sandbox sandbox;
    test::Dovecot dovecot;
    ASSERT_TRUE(dovecot.ok()) << "dovecot did not start; see " << dovecot.log();
    std::string big = "Message-ID: <big@test>\r\nSubject: big\r\n\r\n";
    for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i) + " of a long message body\r\n";
    dovecot.AddMessage("Message-ID: <one@test>\r\nSubject: one\r\n\r\n..dotted\r\n.\r\nend\r\n");
    dovecot.AddMessage("Subject: no id\r\n\r\nbody\r\n");
    dovecot.AddMessage(big);

    Recorder rec;
    ASSERT_EQ(Fetch(Account(dovecot.port()), &rec), CheckMailWorker::kDone) << rec.detail;
    std::vector<std::string> expected = {
        "* Connecting to 127.0.0.1:" + std::to_string(dovecot.port()) + " as jane...",
        "Connected OK. Checking for new mail.", "Found 3 Messages."};
    for (int i = 1; i <= 3; ++i) {
        expected.push_back("Downloading Message " + std::to_string(i) + " of 3");
        expected.push_back("-- Removing from server");
    }
    expected.push_back("Done.  Processed 3 messages");
    EXPECT_EQ(rec.lines, expected);
    ASSERT_EQ(rec.paths.size(), 3u);
    std::string inbox = GetMailFolderPath("InBox");
    EXPECT_EQ(rec.paths[0], inbox + "S-one-test-.mail");
    // Stuffed on the wire ("...dotted", ".."), stored as the sender wrote it.
    EXPECT_EQ(ReadFile(rec.paths[0]),
              "Message-ID: <one@test>\r\nSubject: one\r\n\r\n..dotted\r\n.\r\nend\r\n");
    EXPECT_EQ(rec.paths[1].substr(inbox.size(), 3), "SID");
    EXPECT_EQ(ReadFile(rec.paths[2]), big);
    EXPECT_EQ(dovecot.MessageCount(), 0);
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST(Pop3DovecotTest, TlsNeedsATrustedCertificateAndLeftMessagesComeBackAsDuplicates) {
    test::Sandbox sandbox;
    test::Dovecot dovecot(true);
    ASSERT_TRUE(dovecot.ok()) << dovecot.log();
    dovecot.AddMessage("Message-ID: <t@test>\r\n\r\nsecret body\r\n");
    dovecot.AddMessage("Message-ID: <b@test>\r\n\r\nB\r\n");

    MailAccount a = Account(dovecot.tlsPort(), true);
    a.pop = "localhost:" + std::to_string(dovecot.tlsPort());
    a.pop_security = "tls";
    Recorder untrusted;
    EXPECT_EQ(Fetch(a, &untrusted), CheckMailWorker::kConnectFailed);
    EXPECT_EQ(untrusted.failure, "Could not connect to E-Mail Server");
    EXPECT_NE(untrusted.detail.find("certificate"), std::string::npos) << untrusted.detail;

    a.ca_file = dovecot.caFile();
    Recorder implicit;
    ASSERT_EQ(Fetch(a, &implicit), 0) << implicit.detail;
    EXPECT_EQ(implicit.paths.size(), 2u);

    // The certificate names localhost and 127.0.0.1, nothing else.
    MailAccount wrongName = a;
    wrongName.pop = "127.0.0.2:" + std::to_string(dovecot.tlsPort());
    Recorder mismatch;
    EXPECT_EQ(Fetch(wrongName, &mismatch), CheckMailWorker::kConnectFailed);

    MailAccount stls = Account(dovecot.port(), true);
    stls.pop_security = "starttls";
    stls.ca_file = dovecot.caFile();
    Recorder upgraded;
    ASSERT_EQ(Fetch(stls, &upgraded), 0) << upgraded.detail;
    EXPECT_TRUE(upgraded.paths.empty());
    EXPECT_EQ(Count(upgraded.lines, kDuplicate), 2);
    EXPECT_EQ(Count(upgraded.lines, "-- Removing from server"), 0);
    EXPECT_EQ(dovecot.MessageCount(), 2);
    EXPECT_EQ(LoadFolder(GetMailFolderPath("InBox")).size(), 2u);
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST(Pop3ScriptedTest, ListSizeIsOnlyAHint) {
    test::Sandbox sandbox;
    std::string msg = "Message-ID: <lie@x>\r\nSubject: lie\r\n\r\n" + std::string(5000, 'z') + "\r\n";
    Check c(Mailbox{{msg}, "\r\n", "(1200 octets)"});
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.rec.paths.size(), 1u);
    EXPECT_EQ(ReadFile(c.rec.paths[0]), msg);
    long size = 0;
    EXPECT_EQ(ParseListReply("+OK 1 (1200 octets)\r\n", &size), 0);
    EXPECT_EQ(size, 1200);
    EXPECT_EQ(ParseListReply("-ERR no\r\n", &size), 3);
    EXPECT_EQ(ParseStatReply("+OK\r\n", &size), 4);
}

TEST(Pop3ScriptedTest, UnansweredQuitIsAFailedCommit) {
    Mailbox box{{"Message-ID: <q@x>\r\n\r\nbody\r\n"}};
    for (const char* answer : {"", "-ERR cannot commit\r\n"}) {
        test::Sandbox sandbox;
        Check c([&](const std::string& l) { return l == "Quit\r\n" ? std::string(answer) + "\x04" : box(l); },
                1);
        EXPECT_EQ(c.result, CheckMailWorker::kCommitFailed) << answer;
        // Stored all the same, so nothing is lost when the server keeps it.
        EXPECT_EQ(c.rec.paths.size(), 1u);
        EXPECT_EQ(Count(c.rec.lines, "Done.  Processed 1 messages"), 0);
        EXPECT_EQ(Count(c.peer.transcript(), "Quit\r\n"), 1);
    }
}

TEST(Pop3ScriptedTest, ErrGreetingIsNotALogin) {
    test::Sandbox sandbox;
    Check c([](const std::string&) { return std::string("+OK\r\n"); }, 10, false, 0, "-ERR go away\r\n");
    EXPECT_EQ(c.result, CheckMailWorker::kConnectFailed);
    EXPECT_EQ(c.rec.failure, "Could not connect to E-Mail Server");
    EXPECT_EQ(c.rec.lines.size(), 1u);  // only the connecting line
    EXPECT_TRUE(c.peer.transcript().empty());
}

TEST(Pop3ScriptedTest, DisconnectInsideAMessageLosesNothing) {
    test::Sandbox sandbox;
    Mailbox box{{std::string(100, 'm')}};
    Check c([&](const std::string& l) -> std::optional<std::string> {
        // "\x04": the peer hangs up after these bytes.
        if (l == "RETR 1\r\n") return "+OK\r\nMessage-ID: <cut@x>\r\n\r\nhalf a mess\x04";
        if (l == "QUIT\r\n" || l == "Quit\r\n") return std::nullopt;
        return box(l);
    });
    EXPECT_EQ(c.result, CheckMailWorker::kConnectionLost);
    EXPECT_TRUE(c.rec.paths.empty());
    EXPECT_TRUE(Sent(c.peer, "DELE").empty());
    EXPECT_TRUE(LoadFolder(GetMailFolderPath("InBox")).empty());
    EXPECT_TRUE(WorkFolderEmpty());
    EXPECT_EQ(Count(c.rec.lines, kDuplicate), 0);
}

TEST(Pop3ScriptedTest, SilentServerAndRefusedRetr) {
    test::Sandbox sandbox;
    // STAT never answered: nothing is downloaded.
    auto start = std::chrono::steady_clock::now();
    Check silent([](const std::string& l) { return std::string(l == "STAT\r\n" ? "" : "+OK\r\n"); }, 1);
    EXPECT_EQ(silent.result, CheckMailWorker::kStatFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(Sent(silent.peer, "RETR").empty());

    // RETR refused for message 1: kept on the server, not a duplicate; 2 still comes.
    Mailbox box{{"Message-ID: <one@x>\r\n\r\none\r\n", "Message-ID: <two@x>\r\n\r\ntwo\r\n"}};
    Check refused([&](const std::string& l) { return l == "RETR 1\r\n" ? "-ERR locked\r\n" : box(l); });
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.rec.paths.size(), 1u);
    EXPECT_EQ(Sent(refused.peer, "DELE"), std::vector<std::string>{"DELE 2\r\n"});
    EXPECT_EQ(Count(refused.rec.lines, "-- Could not download this message"), 1);
    EXPECT_EQ(Count(refused.rec.lines, kDuplicate), 0);
}

TEST(Pop3ScriptedTest, CancelStopsAtOnceAndLeavesNoHalfFile) {
    test::Sandbox sandbox;
    Mailbox box{{std::string(20, 's')}};
    test::ScriptedPeer slow("+OK hi\r\n", [&](const std::string& l) {
        return l == "RETR 1\r\n" ? "+OK\r\nMessage-ID: <slow@x>\r\n\r\nfirst line only\r\n" : box(l);
    });
    Recorder rec;
    CheckMailWorker w(&rec, Account(slow.port()));
    w.readTimeoutSeconds = 60;
    ASSERT_TRUE(w.Start());
    EXPECT_FALSE(w.Start());  // busy
    ASSERT_TRUE(test::WaitFor([&] {
        std::lock_guard<std::mutex> g(rec.m);
        return !rec.lines.empty() && rec.lines.back() == "Downloading Message 1 of 1";
    }));
    auto start = std::chrono::steady_clock::now();
    w.Cancel();
    w.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(rec.result, CheckMailWorker::kCancelled);
    EXPECT_TRUE(WorkFolderEmpty());
    EXPECT_TRUE(LoadFolder(GetMailFolderPath("InBox")).empty());
}

TEST(Pop3LossTest, CollidingNamesAreStoredAndOnlyRealDuplicatesDeleted) {
    test::Sandbox sandbox;
    Mailbox box{{"Message-ID: <a.b@x>\r\n\r\none\r\n", "Message-ID: <a_b@x>\r\n\r\ntwo\r\n",
                 "Message-ID: <a-b@x>\r\n\r\nthree\r\n",
                 // Named in another header's text; its own id is another.
                 "Subject: about message-id: <target@x>\r\nMessage-ID: <own@x>\r\n\r\nfour\r\n",
                 "Message-ID: <target@x>\r\n\r\nfive\r\n"}};
    Check c(box);
    ASSERT_EQ(c.result, CheckMailWorker::kDone);
    EXPECT_EQ(c.rec.paths.size(), 5u);
    EXPECT_EQ(InboxNames(), (std::vector<std::string>{"S-a-b-x-.mail", "S-a-b-x-1.mail", "S-a-b-x-2.mail",
                                                      "S-own-x-.mail", "S-target-x-.mail"}));
    EXPECT_EQ(ReadFile(GetMailFolderPath("InBox") + "S-a-b-x-1.mail"), box.messages[1]);
    EXPECT_EQ(ReadFile(GetMailFolderPath("InBox") + "S-target-x-.mail"), box.messages[4]);
    EXPECT_EQ(Sent(c.peer, "DELE").size(), 5u);
    EXPECT_EQ(Count(c.rec.lines, kDuplicate), 0);

    // The same messages again: each is found under its own name, none stored twice.
    Check again(box);
    ASSERT_EQ(again.result, CheckMailWorker::kDone);
    EXPECT_TRUE(again.rec.paths.empty());
    EXPECT_EQ(Count(again.rec.lines, kDuplicate), 5);
    EXPECT_EQ(InboxNames().size(), 5u);
}

TEST(Pop3LossTest, OnlyALoneDotEndsAMessageWhateverTheLineEnd) {
    test::Sandbox sandbox;
    // Stuffed on the wire: ".." stands for a line of one dot.
    Check c(Mailbox{{"Message-ID: <lf@x>\n\nbefore\n..\n...more\nafter\n"}, "\n"});
    ASSERT_EQ(c.result, CheckMailWorker::kDone);
    ASSERT_EQ(c.rec.paths.size(), 1u);
    EXPECT_EQ(ReadFile(c.rec.paths[0]), "Message-ID: <lf@x>\n\nbefore\n.\n..more\nafter\n");
    EXPECT_EQ(Sent(c.peer, "DELE"), std::vector<std::string>{"DELE 1\r\n"});
}

TEST(Pop3LossTest, LongIdsAreStoredAndUnstorableMessagesStayOnTheServer) {
    test::Sandbox sandbox;
    Mailbox box{{"Message-ID: <" + std::string(3000, 'q') + "@x>\r\n\r\nlong\r\n"}};
    Check c(box, 10, true);
    ASSERT_EQ(c.result, CheckMailWorker::kDone);
    ASSERT_EQ(c.rec.paths.size(), 1u);
    EXPECT_EQ(ReadFile(c.rec.paths[0]), box.messages[0]);
    EXPECT_LE(InboxNames()[0].size(), 255u);
    // The shortened name is stable, so the next check knows it.
    Recorder second;
    ASSERT_EQ(Fetch(Account(c.peer.port(), true), &second), CheckMailWorker::kDone);
    EXPECT_EQ(Count(second.lines, kDuplicate), 1);
    EXPECT_EQ(InboxNames().size(), 1u);
}

// InBox turns into a file while the server sends the message, so storing fails.
std::optional<std::string> SpoilingInbox(const Mailbox& box, const std::string& l) {
    if (l.rfind("RETR", 0) == 0) {
        std::filesystem::remove_all(GetMailFolderPath("InBox"));
        WriteFile(GetMailFolderPath("") + "InBox", "not a folder");
    }
    return box(l);
}

TEST(Pop3LossTest, AMessageThatCannotBeStoredIsAFailureAndIsKept) {
    test::Sandbox sandbox;
    Mailbox box{{"Message-ID: <keep@x>\r\n\r\nkeep me\r\n"}};
    Check c([&](const std::string& l) { return SpoilingInbox(box, l); });
    EXPECT_EQ(c.result, CheckMailWorker::kStoreFailed);
    EXPECT_TRUE(c.rec.paths.empty());
    EXPECT_EQ(Count(c.rec.lines, "-- 1 messages could not be stored; they stay on the server"), 1);
    for (const std::string& l : c.rec.lines) EXPECT_FALSE(l.starts_with("Done.")) << l;
    EXPECT_TRUE(WorkFolderEmpty());

    // The command line fails the same way, and says so in its exit status.
    std::filesystem::remove(GetMailFolderPath("") + "InBox");
    WriteFile(sandbox.path("skyharbor.ini"),
              "[email_DefaultUser]\npop=127.0.0.1:" + std::to_string(c.peer.port()) +
                  "\nusername=jane\npassword=secret\n");
    FILE* pipe = ::popen((std::string(SKYHARBOR_CLI_PATH) + " mail fetch 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << out;
    EXPECT_NE(out.find("could not be stored"), std::string::npos) << out;
    EXPECT_EQ(out.find("Done."), std::string::npos) << out;
    EXPECT_TRUE(Sent(c.peer, "DELE").empty());
}

TEST(Pop3HostileTest, LargeMessagesStayOnTheServer) {
    test::Sandbox sandbox;
    std::string big = "Message-ID: <big@x>\r\n\r\n" + std::string(1500000, 'b') + "\r\n";
    Mailbox box{{"Message-ID: <small@x>\r\n\r\nsmall\r\n", big, "Message-ID: <last@x>\r\n\r\nlast\r\n"}};
    const std::string tooLarge = "-- This message is larger than 1 MB; it stays on the server";
    Check c(box, 10, false, 1);
    ASSERT_EQ(c.result, CheckMailWorker::kDone);
    EXPECT_EQ(c.rec.paths.size(), 2u);
    EXPECT_EQ(Count(c.rec.lines, tooLarge), 1);
    EXPECT_TRUE(Sent(c.peer, "RETR 2").empty());
    EXPECT_EQ(Sent(c.peer, "DELE"), (std::vector<std::string>{"DELE 1\r\n", "DELE 3\r\n"}));

    // A server that lies about the size and never ends the message.
    Check cut(
        [&](const std::string& l) -> std::optional<std::string> {
            if (l == "RETR 1\r\n") return "+OK\r\nMessage-ID: <end@x>\r\n\r\n" + std::string(3 << 20, 'e');
            if (l == "LIST\r\n") return "+OK\r\n1 100\r\n.\r\n";
            return box(l);
        },
        5, false, 1);
    EXPECT_EQ(cut.result, CheckMailWorker::kTooLarge);
    EXPECT_EQ(Count(cut.rec.lines, tooLarge), 1);
    EXPECT_TRUE(Sent(cut.peer, "DELE").empty());
    EXPECT_EQ(InboxNames().size(), 2u);
    EXPECT_TRUE(WorkFolderEmpty());

    SettingsStore store(sandbox.path("skyharbor.ini"));
    EXPECT_EQ(ReadAccountForWorkers(store).maxMessageMB, 256);
    store.WriteInt("email", "MaxMessageMB", 3);
    EXPECT_EQ(ReadAccountForWorkers(store).maxMessageMB, 3);
}

TEST(Pop3HostileTest, LyingStatDoesNotLoop) {
    test::Sandbox sandbox;
    // Every LIST and RETR refused; the peer hangs up after 50 refusals.
    int refusals = 0;
    Check refusing([&](const std::string& l) -> std::optional<std::string> {
        if (l == "STAT\r\n") return "+OK 1000000 1\r\n";
        if (l.starts_with("LIST") || l.starts_with("RETR")) {
            return ++refusals > 50 ? std::nullopt : std::optional<std::string>("-ERR no\r\n");
        }
        return Mailbox{}(l);
    });
    EXPECT_EQ(refusing.result, CheckMailWorker::kServerRefused);
    EXPECT_EQ(Sent(refusing.peer, "RETR").size(), static_cast<size_t>(CheckMailWorker::kMaxRefusals));
    EXPECT_TRUE(InboxNames().empty());

    // The listing, not STAT, says which messages there are.
    Mailbox box{{"Message-ID: <one@x>\r\n\r\n1\r\n", "Message-ID: <two@x>\r\n\r\n2\r\n"}};
    Check listed([&](const std::string& l) { return l == "STAT\r\n" ? "+OK 1000000 1\r\n" : box(l); });
    EXPECT_EQ(listed.result, CheckMailWorker::kDone);
    EXPECT_EQ(Count(listed.rec.lines, "Found 2 Messages."), 1);
    EXPECT_EQ(Sent(listed.peer, "RETR").size(), 2u);
    EXPECT_EQ(Sent(listed.peer, "DELE").size(), 2u);
}

TEST(Pop3HostileTest, EndlessReplyLinesEndTheSession) {
    test::Sandbox sandbox;
    for (const char* which : {"greeting", "STAT"}) {
        std::string endless = "+OK " + std::string(1 << 20, 'z');
        Check c([&](const std::string& l) { return l == "STAT\r\n" ? endless : "+OK\r\n"; }, 5, false, 0,
                which == std::string("greeting") ? endless : "+OK hi\r\n");
        EXPECT_NE(c.result, CheckMailWorker::kDone);
        std::string said = c.rec.detail;
        for (const std::string& l : c.rec.lines) said += l;
        EXPECT_NE(said.find("longer than 64 KiB"), std::string::npos) << which;
        EXPECT_TRUE(Sent(c.peer, "RETR").empty());
    }
}

}  // namespace
}  // namespace sky
