#include <gtest/gtest.h>

#include "core/mail/mail_store.h"
#include "core/mail/message_render.h"
#include "core/mail/send_mail_worker.h"
#include "mail_peers.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::ReadFile;
using test::WriteFile;

struct Lines : MailWorkerListener {
    std::vector<std::string> lines;
    void mailProgress(const std::string& l) override { lines.push_back(l); }
};

MailAccount SinkAccount(const test::SmtpSink& sink) {
    MailAccount a;
    a.smtp = "127.0.0.1:" + std::to_string(sink.port());
    a.emailaddress = "jane@example.org";
    return a;
}

TEST(SentCopyTest, SentMessageIsKeptInSentAndReadsBack) {
    test::Sandbox sandbox;
    test::SmtpSink sink;
    ASSERT_TRUE(sink.ok()) << "aiosmtpd did not start";
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>(i * 13 % 256));
    WriteFile(sandbox.path("photo.bin"), binary);
    WriteFile(sandbox.path("list.txt"), ".dot first\nsecond\n");
    Lines lines;
    SendMailWorker worker(&lines, SinkAccount(sink),
                          {"ann@example.com",
                           "",
                           "holiday",
                           ".hidden line\nbye\n",
                           {sandbox.path("photo.bin"), sandbox.path("list.txt")}});
    worker.replyTimeoutSeconds = 10;
    ASSERT_EQ(worker.Run(), 0) << ::testing::PrintToString(lines.lines);
    ASSERT_EQ(sink.Messages().size(), 1u);
    // The status line is the copy's own; the server never saw it.
    EXPECT_EQ(sink.Messages()[0].find("X-SkyStatus"), std::string::npos);

    std::vector<std::string> folders = ListFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), "Sent"), folders.end());
    std::vector<MessageSummary> sent = LoadFolder(GetMailFolderPath("Sent"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, worker.sentCopyPath());
    EXPECT_EQ(sent[0].subject, "holiday");
    EXPECT_EQ(sent[0].from, "jane@example.org");
    EXPECT_TRUE(sent[0].hasAttachments);
    EXPECT_FALSE(sent[0].unread);
    EXPECT_TRUE(sent[0].dateValid);

    std::string stored = ReadFile(sent[0].path);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.back(), '\0');
    // As a POP3 server would hand it over: still stuffed, no final "." line.
    EXPECT_NE(stored.find("\r\n..hidden line\r\n"), std::string::npos);
    EXPECT_EQ(stored.find("\r\n.\r\n"), std::string::npos);
    DecodedMessage d = DecodeMessage(sent[0].path, MailWorkFolder());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(ReadFile(MailWorkFolder() + "photo.bin"), binary);
    EXPECT_EQ(ReadFile(MailWorkFolder() + "list.txt"), ".dot first\nsecond\n");
    EXPECT_NE(d.plainText.find(".hidden line"), std::string::npos);
}

TEST(SentCopyTest, CopySelfIsBlindAndCcIsDelivered) {
    test::Sandbox sandbox;
    test::SmtpSink sink;
    ASSERT_TRUE(sink.ok());
    Lines lines;
    OutgoingMessage m{
        "Ann <ann@example.com>", "carol@example.com, Dee <dee@example.com>", "notes", "hi\n", {}};
    m.copySelf = true;
    SendMailWorker worker(&lines, SinkAccount(sink), m);
    worker.replyTimeoutSeconds = 10;
    ASSERT_EQ(worker.Run(), 0);
    ASSERT_EQ(sink.Messages().size(), 1u);
    const std::string mail = sink.Messages()[0];
    EXPECT_EQ(mail.rfind("FROM jane@example.org\n"
                         "TO ann@example.com,carol@example.com,dee@example.com,jane@example.org\n",
                         0),
              0u)
        << mail;
    // Named once in the data, as the sender.
    std::string data = mail.substr(mail.find("\n\n"));
    EXPECT_EQ(data.find("jane@example.org"), data.rfind("jane@example.org"));
    EXPECT_EQ(mail.find("Bcc"), std::string::npos);
    EXPECT_NE(mail.find("\r\nCc: carol@example.com, Dee <dee@example.com>\r\n"), std::string::npos);
    EXPECT_NE(mail.find("\r\nMessage-ID: <"), std::string::npos);
    EXPECT_EQ(LoadFolder(GetMailFolderPath("Sent")).size(), 1u);
}

}  // namespace
}  // namespace sky
