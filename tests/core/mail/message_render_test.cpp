#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>

#include "core/mail/mail_store.h"
#include "core/mail/message_render.h"
#include "core/mail/smtp_client.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::ReadFile;
using test::WriteFile;

TEST(TextToHtmlTest, LinksAndReplacements) {
    EXPECT_EQ(TextToHtml("see www.example.com."), "see <A HREF=http://www.example.com>www.example.com</A>.");
    EXPECT_EQ(TextToHtml("ann@example.com wrote"),
              "<A HREF=mailto:ann@example.com>ann@example.com</A> wrote");
    EXPECT_EQ(TextToHtml("a<1 & \"b\" >\nc"), "a&#60;1 &#38; &#34;b&#34; &#62;<BR>c");
    // Before a later "http://" a "www." is not linked.
    EXPECT_EQ(TextToHtml("www.a.com http://b.com/x"), "www.a.com <A HREF=http://b.com/x>http://b.com/x</A>");
    EXPECT_EQ(TextToHtml("mail bob@host. ok"), "mail <A HREF=mailto:bob@host>bob@host</A>. ok");
    EXPECT_EQ(TextToHtml("@start x@ end@"), "@start x@ end@");
    EXPECT_EQ(TextToHtml("(a@b)"), "(<A HREF=mailto:a@b>a@b</A>)");
    // A link cannot carry markup into the page.
    EXPECT_EQ(TextToHtml("http://x\"><b>"),
              "<A HREF=http://x&#34;&#62;&#60;b&#62;>http://x&#34;&#62;&#60;b&#62;</A>");
    EXPECT_EQ(TextToHtml(""), "");
}

class DecodeTest : public ::testing::Test {
protected:
    test::Sandbox sandbox;
    std::string work = MailWorkFolder();
    std::string Message(const std::string& text) {
        std::string p = sandbox.path("msg.mail");
        WriteFile(p, text);
        return p;
    }
};

TEST_F(DecodeTest, PlainMessageBecomesPlainText) {
    WriteFile(work + "leftover.bin", "old");
    DecodedMessage m = DecodeMessage(
        Message("Received: from x\r\nSubject: Hi\r\nFrom: a@b.c\r\n\r\nline one\r\nline two\r\n"), work);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.page, "PlainText.htm");
    ASSERT_EQ(m.parts.size(), 1u);
    EXPECT_EQ(m.subject, "Hi");
    EXPECT_EQ(ReadFile(work + "PlainText.htm"), "line one<BR>line two<BR>");
    EXPECT_EQ(m.plainText, "line one\nline two\n");
    EXPECT_FALSE(std::filesystem::exists(work + "leftover.bin"));

    // The library's state does not leak into the next message.
    DecodedMessage again = DecodeMessage(Message("Received: x\r\nSubject: 2\r\n\r\nsecond\r\n"), work);
    EXPECT_EQ(ReadFile(work + "PlainText.htm"), "second<BR>");
    EXPECT_EQ(again.parts.size(), 1u);

    DecodedMessage missing = DecodeMessage(sandbox.path("none.mail"), work);
    EXPECT_EQ(missing.messages, std::vector<std::string>{"Error Opening"});
}

TEST_F(DecodeTest, ScratchCopyLeavesNoFolderBehind) {
    // Run in a fresh process of this binary, where no temporary folder exists
    // yet, with its own TMPDIR to look into afterwards.
    if (const char* message = std::getenv("SKYHARBOR_DECODE_ONLY")) {
        EXPECT_TRUE(DecodeMessage(message, work).ok);
        return;
    }
    std::string tmp = sandbox.path("tmp");
    std::filesystem::create_directories(tmp);
    // A NUL in a line makes the decoder work from a cleaned copy.
    std::string path = Message(std::string("Subject: x\r\n\r\nbad\0line\r\n", 24));
    std::string self = std::filesystem::read_symlink("/proc/self/exe");
    std::string command = "TMPDIR='" + tmp + "' SKYHARBOR_DECODE_ONLY='" + path + "' '" + self +
                          "' --gtest_filter=DecodeTest.ScratchCopyLeavesNoFolderBehind >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
}

TEST_F(DecodeTest, AlternativeOpensOnEnhanced) {
    DecodedMessage m = DecodeMessage(
        Message("From: a@b.c\r\nSubject: alt\r\nMIME-Version: 1.0\r\n"
                "Content-Type: multipart/alternative; boundary=\"BB\"\r\n\r\n--BB\r\nContent-Type: "
                "text/plain\r\n\r\n"
                "plain text\r\n--BB\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--BB--\r\n"),
        work);
    EXPECT_EQ(m.page, "Enhanced.htm");
    ASSERT_EQ(m.parts.size(), 2u);
    EXPECT_EQ(m.parts[0].name, "PlainText.htm");
    EXPECT_EQ(m.parts[1].name, "Enhanced.htm");
    EXPECT_EQ(m.parts[1].mimeType, "text/html");
    EXPECT_NE(ReadFile(work + "Enhanced.htm").find("<b>html</b>"), std::string::npos);
    EXPECT_NE(ReadFile(work + "PlainText.htm").find("plain text"), std::string::npos);
}

TEST_F(DecodeTest, FirstPartAttachmentShowsWholeMessageAndHostileNamesStayInside) {
    std::string text =
        "From: a@b.c\r\nSubject: att\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; "
        "boundary=\"BB\"\r\n\r\n"
        "--BB\r\nContent-Type: application/octet-stream; name=\"../../evil.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
        "filename=\"../../evil.bin\"\r\n\r\n"
        "aGVsbG8=\r\n--BB\r\nContent-Type: application/octet-stream; name=\"..\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n"
        "--BB\r\nContent-Type: application/octet-stream; name=\"PlainText.htm\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nPHNjcmlwdD4=\r\n"
        "--BB\r\nContent-Type: text/plain\r\n\r\nbody text\r\n--BB--\r\n";
    DecodedMessage m = DecodeMessage(Message(text), work);
    EXPECT_EQ(m.page, "PlainText.htm");
    ASSERT_GE(m.parts.size(), 3u);
    EXPECT_EQ(m.parts[0].name, "PlainText.htm");
    EXPECT_EQ(m.parts[1].name, "evil.bin");
    EXPECT_EQ(ReadFile(work + "evil.bin"), "hello");
    // The page is the whole message, converted once.
    std::string page = ReadFile(work + "PlainText.htm");
    EXPECT_NE(page.find("Subject: att"), std::string::npos);
    EXPECT_EQ(page.find("&#60;script"), page.rfind("&#60;script"));
    for (const MessagePart& p : m.parts) {
        EXPECT_EQ(p.name.find('/'), std::string::npos);
        EXPECT_NE(p.name, "..");
        EXPECT_TRUE(std::filesystem::exists(work + p.name)) << p.name;
    }
    EXPECT_FALSE(std::filesystem::exists(sandbox.path("evil.bin")));
    EXPECT_FALSE(std::filesystem::exists(sandbox.home() + "/../evil.bin"));
}

TEST_F(DecodeTest, ThousandsOfPartsAreCutOff) {
    std::string text =
        "From: a@b.c\r\nSubject: many\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"BB\"\r\n\r\n";
    for (int i = 0; i < 1200; ++i)
        text += "--BB\r\nContent-Type: application/octet-stream; name=\"f" + std::to_string(i) +
                ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n";
    text += "--BB--\r\n";
    DecodedMessage m = DecodeMessage(Message(text), work);
    EXPECT_TRUE(m.truncated);
    EXPECT_LE(m.parts.size(), kMaxParts + 1);
    EXPECT_NE(ReadFile(work + "PlainText.htm").find("too large to show whole"), std::string::npos);
}

TEST_F(DecodeTest, WelcomePageAndQuoteText) {
    std::string p = ShowWelcome(work);
    EXPECT_EQ(
        ReadFile(p),
        "<HTML><H3>Welcome to SkyMail</H3><P>Press buttons on the toolbar to read and write your E-Mail");
    EXPECT_EQ(QuoteText("S", "ann@x", "today", "a\r\nb\tc"),
              "\r\n\r\n> **--------- Original Message follows...\r\n> ** Original Subject: S\r\n> ** "
              "Original Sender: "
              "ann@x\r\n> ** Original Date: today\r\n> **---------\r\n\r\n> a \r\n> b c");
    EXPECT_EQ(ReplySubject(ReplySubject("x")), "re: re: x");
    EXPECT_EQ(ForwardSubject("x"), "fw: x");
}

TEST_F(DecodeTest, HelperKilledMidMessageLeavesFilesOnlyInTheWorkFolder) {
    // Whatever the helper would put in a temporary folder lands in ours.
    std::string tmp = sandbox.path("tmp");
    std::filesystem::create_directories(tmp);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    std::string attachment;
    for (int i = 0; i < 40000; ++i)
        attachment += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9w\r\n";
    // A Subject ending in "/" makes the decoder work from a cleaned copy.
    std::string text =
        "From: a@b.c\r\nSubject: parts/\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"BB\"\r\n\r\n--BB\r\nContent-Type: "
        "text/plain\r\n\r\nhi\r\n";
    for (int i = 0; i < 3; ++i)
        text += "--BB\r\nContent-Type: application/octet-stream; name=\"f" + std::to_string(i) +
                ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + attachment;
    text += "--BB--\r\n";
    std::string path = Message(text);
    auto outside = [&] {
        std::vector<std::string> files;
        for (auto& e : std::filesystem::recursive_directory_iterator(sandbox.home()))
            if (e.path().string().rfind(work, 0) != 0) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    };
    std::vector<std::string> before = outside();
    int killed = 0;
    DecodedMessage m = DecodeMessage(path, work, [&](const std::string& s) {
        if (s != "Decoding Attachment..." || killed) return;
        // Every child this thread started: the decoder, nothing else.
        std::string children = ReadFile("/proc/thread-self/children");
        for (size_t p = 0; p < children.size();) {
            pid_t pid = static_cast<pid_t>(std::strtol(children.c_str() + p, nullptr, 10));
            if (pid > 0 && ::kill(pid, SIGKILL) == 0) ++killed;
            p = children.find(' ', p);
            if (p != std::string::npos) ++p;
        }
    });
    ::unsetenv("TMPDIR");
    ASSERT_EQ(killed, 1);
    EXPECT_FALSE(m.ok);
    EXPECT_EQ(m.messages, std::vector<std::string>{"This message could not be decoded."});
    EXPECT_EQ(outside(), before);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));

    // A helper that cannot be found gives the same answer.
    ::setenv("SKYHARBOR_DECODE", sandbox.path("no-such-helper").c_str(), 1);
    DecodedMessage missing = DecodeMessage(path, work);
    ::unsetenv("SKYHARBOR_DECODE");
    EXPECT_EQ(missing.messages, std::vector<std::string>{"This message could not be decoded."});
    // And the next message decodes as usual.
    EXPECT_TRUE(DecodeMessage(Message("Received: x\r\nSubject: ok\r\n\r\nfine\r\n"), work).ok);
    EXPECT_EQ(ReadFile(work + "PlainText.htm"), "fine<BR>");
}

}  // namespace
}  // namespace sky
