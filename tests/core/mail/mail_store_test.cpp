#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>

#include <filesystem>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/mail/mail_accounts.h"
#include "core/mail/mail_store.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::ReadFile;
using test::WriteFile;

class MailStoreTest : public ::testing::Test {
protected:
    test::Sandbox sandbox;
    std::string inbox = GetMailFolderPath("InBox");
    std::string work = MailWorkFolder();

    std::string Temp(const std::string& name, const std::string& text) {
        WriteFile(work + name, text);
        return work + name;
    }
};

TEST_F(MailStoreTest, FileNamesComeFromTheMessageId) {
    EXPECT_EQ(inbox, sandbox.home() + "/DefaultUser/email/InBox/");
    EXPECT_EQ(MessageFileName("<1234.abc@host>", "", 0), "S-1234-abc-host-.mail");
    EXPECT_EQ(MessageFileName("a$b\\c:d \xe9", "", 0), "Sa-b-c-d--.mail");
    std::string id = MessageFileName("", "/tmp/w/M5.new", 77);
    EXPECT_EQ(id, "SID-tmp-w-M5-new77.mail");

    StoreResult r = StoreIncomingMessage(Temp("M1.new", "Subject: none\r\n\r\nbody\r\n"), 42);
    ASSERT_TRUE(r.stored);
    std::string name = r.path.substr(inbox.size());
    EXPECT_EQ(name.rfind("SID", 0), 0u) << name;
    EXPECT_NE(name.find("-M1-new42"), std::string::npos) << name;
}

TEST_F(MailStoreTest, SecondCopyOfAMessageIsADuplicate) {
    std::string text = "Message-ID: <1234.abc@host>\r\nSubject: one\r\n\r\nfirst\r\n";
    StoreResult first = StoreIncomingMessage(Temp("M1.new", text), 1);
    ASSERT_TRUE(first.stored);
    EXPECT_EQ(first.path, inbox + "S-1234-abc-host-.mail");
    StoreResult second =
        StoreIncomingMessage(Temp("M2.new", "Message-ID: <1234.abc@host>\r\n\r\nsecond\r\n"), 2);
    EXPECT_FALSE(second.stored);
    EXPECT_TRUE(second.duplicate);
    EXPECT_EQ(ReadFile(first.path), text);  // the first copy is untouched
    EXPECT_EQ(LoadFolder(inbox).size(), 1u);
}

TEST_F(MailStoreTest, HeaderReaderJoinsContinuationsAndIgnoresCase) {
    std::string p = Temp("h.mail",
                         "Return-Path: <x@y>\r\nSUBJECT : Hello\r\n\tworld\r\nFrom: Ann <ann@example.com>\r\n"
                         "Date: Mon, 12 Jan 1998 10:20:30 -0500\r\nX-Mailer-Message-ID: <inner@id>\r\n"
                         "Content-Type: multipart/mixed;\r\n boundary=\"b\"\r\n\r\nBody: not a header\r\n");
    MailHeaderReader r;
    ASSERT_TRUE(r.Open(p));
    ASSERT_TRUE(r.ReadHeaders());
    EXPECT_EQ(r.subject(), "Hello  world");  // CR and tab of the continuation become blanks
    EXPECT_EQ(r.from(), "Ann <ann@example.com>");
    EXPECT_EQ(r.contentType(), "multipart/mixed;  boundary=\"b\"");
    std::string v;
    EXPECT_TRUE(r.GetHeader("\nfrom:", &v, true));
    EXPECT_EQ(v, "Ann [ann@example.com]");
    // Without a leading line feed a name matches inside a longer one.
    EXPECT_EQ(r.GetHeader("Message-ID:"), "<inner@id>");
    EXPECT_FALSE(r.GetHeader("\nBody:", &v));
    EXPECT_EQ(v, "");
}

TEST_F(MailStoreTest, HeaderReaderSurvivesHostileHeaders) {
    std::string longLine = "Subject: " + std::string(10000, 'x') + "\r\n";
    std::string nul("From: a\0b\r\n", 11);
    // The rest of an over-long line has no ":" and ends the block.
    std::string p = Temp("bad.mail", nul + "X: \x01\x7f\xff\r\n" + longLine + "Late: header\r\n");
    MailHeaderReader r;
    ASSERT_TRUE(r.Open(p));
    ASSERT_TRUE(r.ReadHeaders());
    EXPECT_EQ(r.subject().substr(0, 5), "xxxxx");
    EXPECT_LE(r.subject().size(), 4096u);
    EXPECT_EQ(r.from(), "a b");
    EXPECT_EQ(r.GetHeader("\nLate:"), "");
    EXPECT_EQ(r.GetHeader("\nX:"), "");  // all non-printable: blanks, trimmed away

    MailHeaderReader empty;
    ASSERT_TRUE(empty.Open(Temp("empty.mail", "")));
    EXPECT_FALSE(empty.ReadHeaders());
    MessageSummary s;
    EXPECT_FALSE(ReadMessageSummary(work + "missing.mail", &s));
}

TEST_F(MailStoreTest, MarkReadAddsOneStatusLineThenKeepsTheLength) {
    std::string head = "From: a@b\r\nSubject: s\r\n";
    std::string p = inbox + "Sx.mail";
    WriteFile(p, head + "\r\nbody\r\n" + std::string(1, '\0'));
    ASSERT_TRUE(MarkRead(p));
    std::string once = ReadFile(p);
    EXPECT_EQ(once, head + "X-SkyStatus: Read      \r\n\r\nbody\r\n" + std::string(1, '\0'));
    ASSERT_TRUE(MarkRead(p));
    EXPECT_EQ(ReadFile(p), once);
    MessageSummary s;
    ASSERT_TRUE(ReadMessageSummary(p, &s));
    EXPECT_FALSE(s.unread);
    EXPECT_EQ(s.iconIndex(), 0);
}

TEST_F(MailStoreTest, ForeignStatusLineIsReplacedWithoutHarmingNeighbours) {
    std::string p = inbox + "Sy.mail";
    WriteFile(p,
              "From: a@b\r\nX-SkyStatus: Unread-by-someone-else\r\n  continued\r\nSubject: "
              "s\r\n\r\nX-SkyStatus: body\r\n");
    ASSERT_TRUE(MarkRead(p));
    EXPECT_EQ(ReadFile(p), "From: a@b\r\nX-SkyStatus: Read      \r\nSubject: s\r\n\r\nX-SkyStatus: body\r\n");

    // No empty line at all: the status stays within the header lines.
    std::string q = inbox + "Sz.mail";
    WriteFile(q, "From: a@b\r\nSubject: s\r\n");
    ASSERT_TRUE(MarkRead(q));
    EXPECT_EQ(ReadFile(q), "From: a@b\r\nSubject: s\r\nX-SkyStatus: Read      \r\n");
    EXPECT_FALSE(SetMailStatus(inbox + "none.mail", kReadStatus));
    // Only the message itself is left in the folder: no temporary files.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(inbox), std::filesystem::directory_iterator()), 2);
}

TEST_F(MailStoreTest, LoadFolderListsUnreadFirstAndDeletesEmptyFiles) {
    WriteFile(inbox + "Sa.mail", "Subject: a\r\nX-SkyStatus: Read      \r\n\r\n");
    WriteFile(inbox + "Sb.mail", "Subject: b\r\nContent-Type: multipart/mixed\r\n\r\n");
    WriteFile(inbox + "Sc.mail", "Subject: c\r\nDate: Mon, 12 Jan 1998 10:20:30 -0500\r\n\r\n");
    WriteFile(inbox + "Sd.mail", "");
    WriteFile(inbox + "note.txt", "Subject: not mail\r\n\r\n");
    std::vector<MessageSummary> list = LoadFolder(inbox);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].subject, "c");
    EXPECT_EQ(list[1].subject, "b");
    EXPECT_EQ(list[2].subject, "a");
    EXPECT_FALSE(std::filesystem::exists(inbox + "Sd.mail"));
    EXPECT_EQ(list[1].iconIndex(), 3);
    EXPECT_EQ(SubjectColumn(list[1]), "b[**]");
    EXPECT_EQ(list[0].dateText, "Mon, 12 Jan 1998 10:20");
    ASSERT_TRUE(list[0].dateValid);
    EXPECT_EQ(ReceivedColumn(list[0]), "12 Jan 1998 [10:20 1998 - Monday]");
    MessageSummary odd;
    odd.dateText = "sometime";
    EXPECT_EQ(ReceivedColumn(odd), "sometime");
}

// A folder large enough to be read by several threads loses and reorders nothing.
TEST_F(MailStoreTest, LargeFolderKeepsEveryMessageInOrder) {
    const int count = 3001;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "S%05d.mail", i);
        WriteFile(inbox + name, std::string("Subject: ") + std::to_string(i) +
                                    (i % 7 == 0 ? "\r\n\r\n" : "\r\nX-SkyStatus: Read      \r\n\r\n"));
    }
    WriteFile(inbox + "S01500x.mail", "");
    std::vector<MessageSummary> list = LoadFolder(inbox);
    ASSERT_EQ(list.size(), size_t(count));
    // Unread ones first, the last found on top; then the read ones in name order.
    std::vector<int> unread, read;
    for (int i = 0; i < count; ++i) (i % 7 == 0 ? unread : read).push_back(i);
    std::vector<int> expected(unread.rbegin(), unread.rend());
    expected.insert(expected.end(), read.begin(), read.end());
    for (int i = 0; i < count; ++i) ASSERT_EQ(list[i].subject, std::to_string(expected[i])) << "row " << i;
    EXPECT_FALSE(std::filesystem::exists(inbox + "S01500x.mail"));
}

// The program runs in the user's locale (QApplication sets it); the column
// and the date it parses stay English, as in the mail format.
TEST_F(MailStoreTest, ReceivedIgnoresTheUsersLocale) {
    // No German locale is installed here as a rule: build one into the sandbox.
    const std::string dir = sandbox.path("locale");
    std::filesystem::create_directories(dir);
    const std::string make = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 (package locales missing?)";
    setenv("LOCPATH", dir.c_str(), 1);
    const bool german = std::setlocale(LC_TIME, "de_DE.UTF-8") != nullptr;
    WriteFile(inbox + "Sm.mail", "Subject: m\r\nDate: Wed, 20 May 1998 10:20:30 -0500\r\n\r\n");
    MessageSummary s;
    const bool read = ReadMessageSummary(inbox + "Sm.mail", &s);
    const std::string column = ReceivedColumn(s);
    std::setlocale(LC_TIME, "C");
    unsetenv("LOCPATH");
    if (!german) GTEST_SKIP() << "the de_DE.UTF-8 locale built by localedef does not load";
    ASSERT_TRUE(read);
    // In German: "Mai" and "Mittwoch".
    EXPECT_TRUE(s.dateValid);
    EXPECT_EQ(column, "20 May 1998 [10:20 1998 - Wednesday]");
}

TEST_F(MailStoreTest, MoveRefusesItselfAndExistingNames) {
    std::string saved = GetMailFolderPath("Saved");
    WriteFile(inbox + "S1.mail", "Subject: one\r\n\r\n");
    WriteFile(inbox + "S2.mail", "Subject: two\r\n\r\n");
    WriteFile(saved + "S2.mail", "Subject: other two\r\n\r\n");

    MoveResult self = MoveMessages({inbox + "S1.mail"}, "InBox");
    ASSERT_EQ(self.messages, std::vector<std::string>{kMoveToItself});
    EXPECT_TRUE(self.moved.empty());
    EXPECT_TRUE(std::filesystem::exists(inbox + "S1.mail"));

    MoveResult r = MoveMessages({inbox + "S2.mail", inbox + "S1.mail"}, "Saved");
    EXPECT_EQ(r.messages, std::vector<std::string>{kMoveExists});
    EXPECT_EQ(r.moved, std::vector<std::string>{inbox + "S1.mail"});
    EXPECT_EQ(r.status, "2 Message(s) Moved to Saved ");
    EXPECT_EQ(ReadFile(inbox + "S2.mail"), "Subject: two\r\n\r\n");
    EXPECT_EQ(ReadFile(saved + "S2.mail"), "Subject: other two\r\n\r\n");
    EXPECT_TRUE(std::filesystem::exists(saved + "S1.mail"));
    EXPECT_EQ(ListFolders(), (std::vector<std::string>{"InBox", "Saved"}));

    EXPECT_EQ(DeleteMessages({saved + "S1.mail", saved + "gone.mail"}), 1);
    EXPECT_TRUE(GetMailFolderPath("../escape").empty());
    WriteFile(work + "0001.txt", "x");
    EXPECT_EQ(ClearWorkFolder(), 1);
}

TEST(MailAccountsTest, DefaultsListAndGuardPassword) {
    test::Sandbox sandbox;
    SettingsStore store(sandbox.path("skyharbor.ini"));
    MailAccount dialog = ReadAccountForDialog(store, "Home");
    EXPECT_EQ(dialog.username, "your account name");
    EXPECT_EQ(dialog.password, dialog.emailaddress);
    EXPECT_EQ(dialog.pop.rfind("mail.", 0), 0u);
    ASSERT_TRUE(WriteAccount(store, "Home", dialog));
    for (const char* key : {"leaveonserver", "emailaddress", "fullname", "password", "pop", "smtp",
                            "username", "use_secure", "account_password"})
        EXPECT_TRUE(store.Has("email_Home", key)) << key;

    MailAccount worker = ReadAccountForWorkers(store, "DefaultUser");
    EXPECT_EQ(worker.pop, "");
    EXPECT_NE(worker.emailaddress, dialog.emailaddress);
    EXPECT_EQ(worker.password, worker.emailaddress);

    store.WriteString("email", "rootdir", sandbox.path("maildirs"));
    ASSERT_TRUE(WriteAccountList(store, {"One", "Two", "Three"}));
    ASSERT_TRUE(WriteAccountList(store, {"One", "Three"}));
    EXPECT_EQ(ReadAccountList(store), (std::vector<std::string>{"One", "Three"}));
    EXPECT_FALSE(store.Has("email_accounts", "a3"));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.path("maildirs/Three/inbox")));

    AuxPopAccount aux = ReadAuxPopAccount(store, 2);
    EXPECT_EQ(aux.pop.rfind("mail.", 0), 0u);
    aux.active = 1;
    ASSERT_TRUE(WriteAuxPopAccount(store, 3, aux));
    EXPECT_EQ(store.GetInt("email3", "active", 0), 1);
    EXPECT_FALSE(store.Has("email2", "active"));
    EXPECT_EQ(kTopBarColour, 12615680);

    EXPECT_TRUE(GuardPasswordMatches("  SeCret ", "secret"));
    EXPECT_FALSE(GuardPasswordMatches("secret1", "secret"));

    MailAccount a;
    a.pop = "user@[::1]:1995";
    a.smtp = "smtp.example.net";
    a.smtp_security = "tls";
    EXPECT_EQ(PopServer(a).host, "::1");
    EXPECT_EQ(PopServer(a).port, 1995);
    EXPECT_EQ(SmtpServer(a).port, 465);
    a.pop = "mail.example.net";
    EXPECT_EQ(PopServer(a).port, 110);
}

}  // namespace
}  // namespace sky
