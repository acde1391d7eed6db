#include <gtest/gtest.h>

#include <mutex>

#include "core/mail/mail_store.h"
#include "core/mail/message_render.h"
#include "core/mail/send_mail_worker.h"
#include "core/mail/smtp_client.h"
#include "mail_peers.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::ReadFile;
using test::WriteFile;

struct Recorder : MailWorkerListener {
    std::mutex m;
    std::vector<std::string> lines;
    int result = -1;
    void mailProgress(const std::string& l) override {
        std::lock_guard<std::mutex> g(m);
        lines.push_back(l);
    }
    void mailDone(int r) override { result = r; }
};

MailAccount Account(int port) {
    MailAccount a;
    a.smtp = "127.0.0.1:" + std::to_string(port);
    a.emailaddress = "jane@example.org";
    return a;
}

int Send(const MailAccount& a, OutgoingMessage m, Recorder* rec) {
    SendMailWorker w(rec, a, std::move(m));
    w.replyTimeoutSeconds = 10;
    return w.Run();
}

size_t Count(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

TEST(SmtpSinkTest, EveryRecipientGetsThePlainMessage) {
    test::Sandbox sandbox;
    test::SmtpSink sink;
    ASSERT_TRUE(sink.ok()) << "aiosmtpd did not start";
    OutgoingMessage m{"Ann Example <ann@example.com>, bob@example.com",
                      "carol@example.com; \"Dee, D\" <dee@example.com>",
                      "Hello\r\nBcc: evil@example.com",
                      ".starts with a dot\nsecond line\n..two dots\n",
                      {}};
    Recorder rec;
    ASSERT_EQ(Send(Account(sink.port()), m, &rec), 0);
    std::vector<std::string> expected = {"* Connecting to 127.0.0.1:" + std::to_string(sink.port()) + "...",
                                         "Sending message to " + m.to + "...", "Wrapping things up..."};
    EXPECT_EQ(rec.lines, expected);
    std::vector<std::string> got = sink.Messages();
    ASSERT_EQ(got.size(), 1u);
    const std::string& mail = got[0];
    EXPECT_EQ(
        mail.rfind(
            "FROM jane@example.org\nTO ann@example.com,bob@example.com,carol@example.com,dee@example.com\n",
            0),
        0u)
        << mail;
    EXPECT_NE(mail.find("\r\nTo: Ann Example <ann@example.com>, bob@example.com\r\n"), std::string::npos);
    EXPECT_NE(mail.find("\r\nSubject: Hello  Bcc: evil@example.com\r\n"), std::string::npos);
    EXPECT_EQ(mail.find("\r\nBcc:"), std::string::npos);
    EXPECT_NE(mail.find("\r\nDate: "), std::string::npos);
    // Unstuffed by the server: the body arrives as written, with CR LF.
    EXPECT_NE(mail.find("\r\n\r\n.starts with a dot\r\nsecond line\r\n..two dots\r\n"), std::string::npos)
        << mail;
}

TEST(SmtpSinkTest, TwoAttachmentsMakeThreeBoundariesAndDecodeBack) {
    test::Sandbox sandbox;
    test::SmtpSink sink;
    ASSERT_TRUE(sink.ok());
    std::string binary;
    for (int i = 0; i < 300000; ++i) binary.push_back(static_cast<char>(i * 7 % 256));
    WriteFile(sandbox.path("data.bin"), binary);
    WriteFile(sandbox.path("notes.csv"), "a,b\n.c,d\n");
    OutgoingMessage m{"ann@example.com",
                      "",
                      "files",
                      "see attached\n",
                      {sandbox.path("data.bin"), sandbox.path("notes.csv")}};
    Recorder rec;
    ASSERT_EQ(Send(Account(sink.port()), m, &rec), 0);
    EXPECT_EQ(rec.lines[1], "Attaching file: " + sandbox.path("data.bin") + "...");
    std::vector<std::string> got = sink.Messages();
    ASSERT_EQ(got.size(), 1u);
    std::string data = got[0].substr(got[0].find("\n\n") + 2);
    std::string boundary = std::string("--") + kMimeBoundary;
    EXPECT_EQ(Count(data, boundary + "\r\n"), 3u);
    EXPECT_EQ(Count(data, boundary + "--"), 1u);
    EXPECT_EQ(data.substr(data.size() - boundary.size() - 4), boundary + "--\r\n");

    // What went out decodes back to the same bytes.
    WriteFile(sandbox.path("sent.mail"), data);
    DecodedMessage d = DecodeMessage(sandbox.path("sent.mail"), MailWorkFolder());
    EXPECT_EQ(ReadFile(MailWorkFolder() + "data.bin"), binary);
    EXPECT_NE(ReadFile(MailWorkFolder() + "PlainText.htm").find("see attached"), std::string::npos);
}

TEST(SmtpSinkTest, RefusedRecipientStopsTheMessage) {
    test::Sandbox sandbox;
    test::SmtpSink sink;
    ASSERT_TRUE(sink.ok());
    Recorder rec;
    EXPECT_EQ(Send(Account(sink.port()), {"ann@example.com, refuse@example.com", "", "s", "b", {}}, &rec), 4);
    EXPECT_EQ(Send(Account(sink.port()), {"ab", "", "s", "b", {}}, &rec), 1);
    EXPECT_EQ(Send(Account(sink.port()), {"<>   ", "", "s", "b", {}}, &rec), 2);
    EXPECT_TRUE(sink.Messages().empty());
    MailAccount nowhere = Account(test::FreePort());
    EXPECT_EQ(Send(nowhere, {"ann@example.com", "", "s", "b", {}}, &rec), 1);
}

TEST(SmtpSinkTest, StartTlsWithAuth) {
    test::Sandbox sandbox;
    test::SmtpSink sink(true);
    ASSERT_TRUE(sink.ok());
    MailAccount a = Account(sink.port());
    a.smtp = "localhost:" + std::to_string(sink.port());
    a.smtp_security = "starttls";
    a.smtp_user = "jane";
    a.smtp_password = "secret";
    Recorder untrusted;
    EXPECT_NE(Send(a, {"ann@example.com", "", "s", "b", {}}, &untrusted), 0);
    EXPECT_NE(untrusted.lines[1].find("certificate"), std::string::npos) << untrusted.lines[1];

    a.ca_file = sink.caFile();
    a.smtp_password = "wrong";
    Recorder badPassword;
    EXPECT_NE(Send(a, {"ann@example.com", "", "s", "b", {}}, &badPassword), 0);
    EXPECT_TRUE(sink.Messages().empty());

    a.smtp_password = "secret";
    Recorder rec;
    ASSERT_EQ(Send(a, {"ann@example.com", "", "over tls", "b", {}}, &rec), 0) << rec.lines[1];
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_NE(sink.Messages()[0].find("Subject: over tls"), std::string::npos);
}

TEST(SmtpScriptedTest, PlainHeloAndNeverInClearWhenTlsIsAsked) {
    test::Sandbox sandbox;
    bool inData = false;
    test::ScriptedPeer peer("220 hi\r\n", [&](const std::string& l) -> std::optional<std::string> {
        if (inData) {
            inData = l != ".\r\n";
            return inData ? "" : "250 ok\r\n";
        }
        if (l == "DATA\r\n") {
            inData = true;
            return "354 go\r\n";
        }
        if (l == "Quit\r\n") return "221 bye\r\n\x04";
        if (l.rfind("EHLO", 0) == 0) return "250-peer\r\n250 SIZE 1000\r\n";
        return "250 ok\r\n";
    });
    Recorder rec;
    ASSERT_EQ(Send(Account(peer.port()), {"ann@example.com", "", "s", "a\r\n.b", {}}, &rec), 0);
    std::vector<std::string> t = peer.transcript();
    ASSERT_GE(t.size(), 5u);
    EXPECT_EQ(t[0], std::string("HELO ") + kGreetingDomain + "\r\n");
    EXPECT_EQ(t[1], "MAIL from:<jane@example.org>\r\n");
    EXPECT_EQ(t[2], "RCPT to:<ann@example.com>\r\n");
    EXPECT_NE(std::find(t.begin(), t.end(), "..b\r\n"), t.end()) << ::testing::PrintToString(t);

    // STARTTLS asked for but not offered: nothing is sent in clear.
    test::ScriptedPeer clear("220 hi\r\n", [](const std::string& l) -> std::optional<std::string> {
        if (l.rfind("EHLO", 0) == 0) return "250-peer\r\n250 AUTH PLAIN\r\n";
        if (l == "Quit\r\n") return "221 bye\r\n\x04";
        return "250 ok\r\n";
    });
    MailAccount a = Account(clear.port());
    a.smtp_security = "starttls";
    a.smtp_user = "jane";
    a.smtp_password = "secret";
    Recorder refused;
    EXPECT_NE(Send(a, {"ann@example.com", "", "s", "b", {}}, &refused), 0);
    for (const std::string& l : clear.transcript()) {
        EXPECT_EQ(l.rfind("AUTH", 0), std::string::npos);
        EXPECT_EQ(l.rfind("MAIL", 0), std::string::npos);
    }
    EXPECT_NE(refused.lines[1].find("STARTTLS"), std::string::npos);
}

TEST(SmtpUnitTest, AddressesAndStuffing) {
    EXPECT_EQ(ExtractAddresses("\"Doe, Jane\" <jane@x.org>, bob@y.org extra; <c@z>"),
              (std::vector<std::string>{"jane@x.org", "bob@y.org", "c@z"}));
    EXPECT_TRUE(ExtractAddresses(" , ;").empty());
    std::string out;
    bool start = true;
    DotStuff(".a\n.", &out, &start);
    DotStuff(".b\r\n", &out, &start);
    EXPECT_EQ(out, "..a\r\n...b\r\n");
}

TEST(SmtpScriptedTest, EndlessReplyEndsTheSession) {
    test::Sandbox sandbox;
    std::string endless;
    while (endless.size() < (1 << 20)) endless += "220-still greeting you\r\n";
    test::ScriptedPeer peer(endless, [](const std::string&) { return std::string("250 ok\r\n"); });
    Recorder rec;
    EXPECT_NE(Send(Account(peer.port()), {"ann@example.com", "", "s", "b", {}}, &rec), 0);
    EXPECT_TRUE(peer.transcript().empty());
    std::string said;
    for (const std::string& l : rec.lines) said += l + "\n";
    EXPECT_NE(said.find("longer than 64 KiB"), std::string::npos) << said;

    // The same cap holds for a reply after the greeting.
    test::ScriptedPeer ehlo("220 hi\r\n", [&](const std::string& l) -> std::optional<std::string> {
        if (l.rfind("EHLO", 0) == 0) return endless;
        return "250 ok\r\n";
    });
    SmtpClient c;
    c.replyTimeoutSeconds = 5;
    EXPECT_EQ(c.Connect({"127.0.0.1", ehlo.port()}, "me", {MailSecurity::kNone, "jane", "secret", ""}), 3);
    EXPECT_NE(c.lastError().find("longer than 64 KiB"), std::string::npos) << c.lastError();
}

}  // namespace
}  // namespace sky
