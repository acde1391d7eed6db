#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_accounts.h"
#include "core/mail/mail_store.h"
#include "mail_peers.h"
#include "support/sandbox.h"

namespace sky {
namespace {

namespace fs = std::filesystem;

SettingsStore Store() {
    return SettingsStore(JoinPath(DataRoot(), "skyharbor.ini"));
}

// The guard compare and the rewrite on delete are covered with the other account keys.
TEST(AccountRulesTest, SecuredSaveAndAddedNames) {
    MailAccount a;
    a.use_secure = 1;
    a.account_password = "   ";
    EXPECT_STREQ(AccountSaveError(a), kNeedGuardPassword);
    a.account_password = "x";
    EXPECT_EQ(AccountSaveError(a), nullptr);
    a.use_secure = 0;
    a.account_password.clear();
    EXPECT_EQ(AccountSaveError(a), nullptr);

    test::Sandbox sandbox;
    SettingsStore s = Store();
    EXPECT_EQ(NewAccountName("  Home \t "), "  Home");
    EXPECT_EQ(NewAccountName("   "), "");
    ASSERT_TRUE(AppendAccountName(s, 0, "Home"));
    ASSERT_TRUE(AppendAccountName(s, 1, "Work"));
    EXPECT_EQ(ReadAccountList(s), (std::vector<std::string>{"Home", "Work"}));
}

TEST(AccountRulesTest, FetchTargetsAndTheirFolders) {
    test::Sandbox sandbox;
    SettingsStore s = Store();
    // Only DefaultUser: it is fetched even with no section at all.
    std::vector<MailFetchTarget> only = ReadFetchTargets(s);
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(only[0].user, "DefaultUser");
    EXPECT_EQ(only[0].account.pop, "");

    s.WriteString("email_accounts", "a1", "Home");
    s.WriteString("email_accounts", "a2", "Empty");
    s.WriteString("email_accounts", "a3", "defaultuser");
    s.WriteString("email_accounts", "a4", "../escape");
    s.WriteString("email_Home", "pop", "pop.home.test");
    s.WriteString("email_../escape", "pop", "pop.escape.test");
    s.WriteString("email_DefaultUser", "pop_security", "tls");
    s.WriteInt("email2", "active", 1);
    s.WriteString("email2", "pop", "aux.test");
    s.WriteString("email3", "pop", "inactive.test");
    std::vector<MailFetchTarget> t = ReadFetchTargets(s);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].label, "Home");
    EXPECT_EQ(t[1].account.pop, "pop.home.test");
    EXPECT_EQ(t[1].section, "email_Home");
    EXPECT_EQ(t[3].label, "Auxiliary Server 1");
    EXPECT_EQ(t[3].user, "DefaultUser");
    EXPECT_EQ(t[3].section, "email2");
    EXPECT_EQ(t[3].account.pop_security, "none");

    // A name with separators still gets a folder under the data root.
    std::string inbox = GetMailFolderPath("InBox", t[2].user);
    ASSERT_FALSE(inbox.empty());
    EXPECT_EQ(fs::path(inbox).parent_path().parent_path().parent_path().parent_path(), fs::path(DataRoot()));
    EXPECT_NE(GetMailFolderPath("InBox", "_TEMP"), MailWorkFolder() + "email/InBox/");
}

struct Recorder : MailWorkerListener {
    std::mutex m;
    std::vector<std::string> lines, paths;
    std::vector<std::string> failures;
    void mailProgress(const std::string& l) override {
        std::lock_guard<std::mutex> g(m);
        lines.push_back(l);
    }
    void newMessage(const std::string& p) override {
        std::lock_guard<std::mutex> g(m);
        paths.push_back(p);
    }
    void connectFailed(const std::string&, const std::string& d) override { failures.push_back(d); }
};

MailFetchTarget Target(const std::string& name, const std::string& pop) {
    MailFetchTarget t{name, MailUserDir(name), AccountSection(name), {}};
    t.account.pop = pop;
    t.account.username = "jane";
    t.account.password = "secret";
    return t;
}

TEST(AccountRulesTest, EveryAccountFetchesIntoItsOwnInbox) {
    test::Sandbox sandbox;
    test::Dovecot home, work;
    ASSERT_TRUE(home.ok() && work.ok()) << "dovecot did not start; see " << home.log();
    home.AddMessage("Message-ID: <h1@test>\r\nSubject: home\r\n\r\nhome body\r\n");
    work.AddMessage("Message-ID: <w1@test>\r\nSubject: work one\r\n\r\nwork body\r\n");
    work.AddMessage("Message-ID: <w2@test>\r\nSubject: work two\r\n\r\nwork body\r\n");

    Recorder rec;
    std::vector<MailFetchTarget> targets = {
        Target("DefaultUser", "127.0.0.1:" + std::to_string(home.port())),
        // Nothing listens here: this account fails, the next still fetches.
        Target("Broken", "127.0.0.1:1"),
        Target("Work", "127.0.0.1:" + std::to_string(work.port())),
    };
    CheckMailWorker worker(&rec, targets);
    EXPECT_EQ(worker.Run(), CheckMailWorker::kConnectFailed);

    auto names = [](const std::string& dir) {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(names(GetMailFolderPath("InBox")), (std::vector<std::string>{"S-h1-test-.mail"}));
    EXPECT_EQ(names(GetMailFolderPath("InBox", "Work")),
              (std::vector<std::string>{"S-w1-test-.mail", "S-w2-test-.mail"}));
    EXPECT_EQ(home.MessageCount(), 0);
    EXPECT_EQ(work.MessageCount(), 0);
    ASSERT_EQ(rec.paths.size(), 3u);
    ASSERT_EQ(rec.failures.size(), 1u);
    EXPECT_EQ(rec.failures[0].rfind("Broken: ", 0), 0u) << rec.failures[0];
    for (const char* line : {"=== Account DefaultUser ===", "=== Account Broken ===", "=== Account Work ===",
                             "Done.  Processed 2 messages"})
        EXPECT_NE(std::find(rec.lines.begin(), rec.lines.end(), line), rec.lines.end()) << line;
}

}  // namespace
}  // namespace sky
