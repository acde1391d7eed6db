// The account dialogs and the password store, offscreen.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <map>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "mail_peers.h"
#include "support/cli_run.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/mail/account_dialogs.h"
#include "ui/mail/password_store.h"

using namespace sky;
using namespace sky::ui;

namespace {

// A keyring in memory; `up` false answers like a desktop without one,
// `writesFail` like one that breaks after the first question.
class FakeKeyring : public SecretBackend {
public:
    std::map<QString, QString> entries;
    bool up = true;
    bool writesFail = false;
    Status Read(const QString& key, QString* value) override {
        if (!up) return Status::kUnavailable;
        auto it = entries.find(key);
        if (it == entries.end()) return Status::kNotFound;
        *value = it->second;
        return Status::kOk;
    }
    Status Write(const QString& key, const QString& value) override {
        if (!up || writesFail) return Status::kUnavailable;
        entries[key] = value;
        return Status::kOk;
    }
    Status Remove(const QString& key) override {
        if (!up || writesFail) return Status::kUnavailable;
        entries.erase(key);
        return Status::kOk;
    }
};

struct Fixture {
    test::Sandbox sandbox;
    SettingsStore settings{JoinPath(DataRoot(), "skyharbor.ini")};
    FakeKeyring* keyring = new FakeKeyring;
    PasswordStore passwords{settings, std::unique_ptr<SecretBackend>(keyring)};
    QStringList messages;
    Fixture() {
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            messages << title + "|" + text;
            return true;
        });
    }
    ~Fixture() {
        SetMessageHook(nullptr);
        SetDialogHook(nullptr);
    }
    std::string ini(const char* section, const char* key) {
        return settings.GetString(section, key, "<absent>");
    }
};

void Shot(QDialog& d, const char* name) {
    d.adjustSize();
    d.grab().save(QStringLiteral("/tmp/shots-mail-acc/%1.png").arg(name));
}

int FileMode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

}  // namespace

class AccountDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void dialogsOpenWithDefaultsAndWriteThem();
    void guardPassword();
    void listRewriteAndAdd();
    void keyringlessFallback();
    void passwordsGoToTheKeyring();
    void realKeyring();
};

void AccountDialogsTest::dialogsOpenWithDefaultsAndWriteThem() {
    Fixture f;
    {
        AccountDialog d(f.settings, f.passwords, "DefaultUser");
        Shot(d, "email-settings");
        QCOMPARE(d.windowTitle(), QStringLiteral("E-Mail Settings"));
        QCOMPARE(d.field("emailaddress")->text(), QString(kDialogAddressDefault));
        QCOMPARE(d.field("pop")->text(), QString(kDialogPopDefault));
        QCOMPARE(d.field("smtp")->text(), QString(kDialogSmtpDefault));
        QCOMPARE(d.field("username")->text(), QString(kUserNameDefault));
        QCOMPARE(d.field("password")->text(), QString(kDialogAddressDefault));
        QCOMPARE(d.field("password")->echoMode(), QLineEdit::Password);
        QVERIFY(!d.leaveOnServer()->isChecked() && !d.useSecure()->isChecked());
        QCOMPARE(d.popSecurity()->currentData().toString(), QStringLiteral("none"));
        QVERIFY(d.keyringNote() == nullptr);
        d.smtpSecurity()->setCurrentIndex(d.smtpSecurity()->findData("starttls"));
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    QCOMPARE(f.ini("email_DefaultUser", "pop"), std::string(kDialogPopDefault));
    QCOMPARE(f.ini("email_DefaultUser", "use_secure"), std::string("0"));
    QCOMPARE(f.ini("email_DefaultUser", "smtp_security"), std::string("starttls"));

    LookAndFeelDialog look(f.settings);
    Shot(look, "look-and-feel");
    QCOMPARE(look.windowTitle(), QStringLiteral("E-Mail Look and Feel Settings"));
    QCOMPARE(look.topBar()->colour(), 12615680);
    QCOMPARE(look.bottomBar()->colour(), 64 << 16 | 128 << 8 | 255);
    QCOMPARE(look.headersLabel()->colour(), 0);
    look.headersValue()->setColour(0x123456);
    look.accept();
    QCOMPARE(f.settings.GetInt("email", "colr_headers_value", -1), 0x123456);
    QCOMPARE(f.settings.GetInt("email", "colr_topbar", -1), 12615680);
    QCOMPARE(f.settings.GetInt("email", "colr_headers_label", -1), 0);

    f.settings.WriteInt("email3", "active", 1);
    AuxAccountsDialog aux(f.settings, f.passwords);
    Shot(aux, "advanced-email-settings");
    QCOMPARE(aux.windowTitle(), QStringLiteral("Advanced Email Settings..."));
    QCOMPARE(aux.group(2).pop->text(), QString(kWorkerPopDefault));
    QVERIFY(!aux.group(2).active->isChecked());
    QVERIFY(aux.group(3).active->isChecked());
    aux.group(2).password->setText("aux-secret");
    aux.accept();
    QCOMPARE(f.ini("email2", "password"), std::string());
    QCOMPARE(f.keyring->entries["email2/password"], QStringLiteral("aux-secret"));
    QCOMPARE(f.ini("email3", "active"), std::string("1"));
}

void AccountDialogsTest::guardPassword() {
    Fixture f;
    f.settings.WriteInt("email_Home", "use_secure", 1);
    f.settings.WriteString("email_Home", "account_password", "Open Sesame");
    QStringList prompts;
    int opened = 0;
    QString answer;
    bool cancel = false;
    bool hidden = true;
    SetDialogHook([&](QDialog& d) -> int {
        if (auto* p = dynamic_cast<PromptDialog*>(&d)) {
            prompts << p->windowTitle() + "|" + p->findChild<QLabel*>()->text();
            hidden = hidden && p->edit()->echoMode() == QLineEdit::Password;
            p->edit()->setText(answer);
            return cancel ? int(QDialog::Rejected) : int(QDialog::Accepted);
        }
        ++opened;
        return int(QDialog::Rejected);
    });
    answer = "  OPEN sesame ";
    AccountDialog::Open(f.settings, f.passwords, "Home");
    QCOMPARE(prompts, QStringList{"Information Request |Enter Password for: Home"});
    QVERIFY(hidden);
    QCOMPARE(opened, 1);

    answer = "open sesam";
    AccountDialog::Open(f.settings, f.passwords, "Home");
    QCOMPARE(opened, 1);
    QCOMPARE(f.messages, QStringList{"SkyHarbor|Invalid Password for this account"});

    cancel = true;
    answer = "Open Sesame";
    AccountDialog::Open(f.settings, f.passwords, "Home");
    QCOMPARE(opened, 1);

    // Secured without a guard: refused, nothing written, the dialog stays.
    f.messages.clear();
    AccountDialog d(f.settings, f.passwords, "Other");
    d.useSecure()->setChecked(true);
    d.field("account_password")->setText("  ");
    d.field("pop")->setText("pop.other.test");
    d.accept();
    QCOMPARE(f.messages, QStringList{"SkyHarbor|You must supply a password for a secured inbox."});
    QVERIFY(d.result() != QDialog::Accepted);
    QCOMPARE(f.ini("email_Other", "pop"), std::string("<absent>"));
}

void AccountDialogsTest::listRewriteAndAdd() {
    Fixture f;
    std::string root = DataRoot() + "/accounts/";
    f.settings.WriteString("email", "rootdir", root);
    for (auto [k, v] : {std::pair{"a1", "Home"}, {"a2", "Work"}, {"a3", "Club"}})
        f.settings.WriteString("email_accounts", k, v);
    AccountListDialog list(f.settings, f.passwords);
    Shot(list, "internet-accounts");
    QCOMPARE(list.windowTitle(), QStringLiteral("Internet Accounts"));
    QCOMPARE(list.list()->headerItem()->text(0), QStringLiteral("E-Mail Accounts"));
    QCOMPARE(list.list()->topLevelItemCount(), 3);

    list.list()->setCurrentItem(list.list()->topLevelItem(1));
    list.DeleteSelected();
    QCOMPARE(f.messages, QStringList{"Are You Sure?|Delete this account: Work  ?"});
    QCOMPARE(list.list()->topLevelItemCount(), 2);
    // Only the list changes until OK.
    QCOMPARE(f.ini("email_accounts", "a3"), std::string("Club"));

    // A new account, with the delete not yet confirmed: no stored name is overwritten.
    SetDialogHook([&](QDialog& d) {
        if (auto* p = dynamic_cast<PromptDialog*>(&d)) {
            p->edit()->setText("New One  ");
            return int(QDialog::Accepted);
        }
        auto* account = dynamic_cast<AccountDialog*>(&d);
        if (!account) return int(QDialog::Rejected);
        account->field("pop")->setText("pop.new.test");
        account->accept();
        return account->result();
    });
    list.AddAccount();
    QCOMPARE(f.ini("email_accounts", "a3"), std::string("Club"));
    QCOMPARE(f.ini("email_accounts", "a4"), std::string("New One"));
    QCOMPARE(f.ini("email_New One", "pop"), std::string("pop.new.test"));
    QCOMPARE(list.names(), (std::vector<std::string>{"Home", "Club", "New One"}));

    list.accept();
    QCOMPARE(f.settings.KeyNames("email_accounts"), (std::vector<std::string>{"a1", "a2", "a3"}));
    QCOMPARE(f.ini("email_accounts", "a2"), std::string("Club"));
    QCOMPARE(f.ini("email_accounts", "a3"), std::string("New One"));
    QVERIFY(QFileInfo(QString::fromStdString(root + "New One/inbox")).isDir());
}

void AccountDialogsTest::keyringlessFallback() {
    Fixture f;
    f.keyring->up = false;
    {
        AccountDialog d(f.settings, f.passwords, "DefaultUser");
        QVERIFY(d.keyringNote() != nullptr);
        QCOMPARE(d.keyringNote()->text(), PasswordStore::FallbackNote());
        Shot(d, "email-settings-no-keyring");
        d.field("password")->setText("pop-secret");
        d.accept();
    }
    QCOMPARE(f.ini("email_DefaultUser", "password"), std::string("pop-secret"));
    QCOMPARE(FileMode(f.settings.path()), 0600);
    // Later writes keep the file private.
    f.settings.WriteString("email", "rootdir", "/x/");
    QCOMPARE(FileMode(f.settings.path()), 0600);
    MailAccount loaded = LoadAccountWithPasswords(f.settings, f.passwords, "email_DefaultUser");
    QCOMPARE(loaded.password, std::string("pop-secret"));

    // A keyring that answers the first question but then fails.
    Fixture g;
    g.keyring->writesFail = true;
    ::chmod(g.settings.path().c_str(), 0644);
    MailAccount a = ReadAccountForDialog(g.settings, "DefaultUser");
    a.smtp_password = "smtp-secret";
    QVERIFY(g.passwords.SaveAccount("DefaultUser", a));
    QCOMPARE(g.ini("email_DefaultUser", "smtp_password"), std::string("smtp-secret"));
    QCOMPARE(FileMode(g.settings.path()), 0600);
    QVERIFY(!g.passwords.keyringAvailable());

    // The real keyring client on a desktop without a session bus (an address
    // that leads nowhere: no bus is autolaunched under X either).
    QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/skyharbor-test-bus");
    PasswordStore real(g.settings, MakeKeychainBackend(3000));
    QVERIFY(!real.keyringAvailable());
    QVERIFY(real.SaveAccount("Home", a));
    QCOMPARE(g.ini("email_Home", "smtp_password"), std::string("smtp-secret"));
    if (bus.isEmpty())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

void AccountDialogsTest::passwordsGoToTheKeyring() {
    Fixture f;
    MailAccount a = ReadAccountForDialog(f.settings, "Home");
    a.password = "pop-secret";
    a.smtp_password = "smtp-secret";
    a.use_secure = 1;
    a.account_password = "guard";
    a.pop = "pop.home.test";
    QVERIFY(f.passwords.SaveAccount("Home", a));
    f.settings.WriteString("email_accounts", "a1", "Home");
    for (const char* key : {"password", "smtp_password", "account_password"})
        QCOMPARE(f.ini("email_Home", key), std::string());
    QCOMPARE(f.keyring->entries["email_Home/password"], QStringLiteral("pop-secret"));

    // The dialog shows them again and the guard works from the keyring.
    int opened = 0;
    SetDialogHook([&](QDialog& d) {
        if (auto* p = dynamic_cast<PromptDialog*>(&d)) {
            p->edit()->setText("GUARD");
            return int(QDialog::Accepted);
        }
        auto* account = dynamic_cast<AccountDialog*>(&d);
        if (account) {
            ++opened;
            [&] { QCOMPARE(account->field("smtp_password")->text(), QStringLiteral("smtp-secret")); }();
        }
        return int(QDialog::Rejected);
    });
    AccountDialog::Open(f.settings, f.passwords, "Home");
    QCOMPARE(opened, 1);

    MailAccount loaded = LoadAccountWithPasswords(f.settings, f.passwords, "Home");
    QCOMPARE(loaded.password, std::string("pop-secret"));
    QCOMPARE(loaded.smtp_password, std::string("smtp-secret"));
    std::vector<MailFetchTarget> targets = LoadFetchTargetsWithPasswords(f.settings, f.passwords);
    QCOMPARE(targets.size(), size_t(2));
    QCOMPARE(targets[1].account.password, std::string("pop-secret"));

    // Cleared secrets leave the keyring too.
    a.smtp_password.clear();
    QVERIFY(f.passwords.SaveAccount("Home", a));
    QVERIFY(f.keyring->entries.count("email_Home/smtp_password") == 0);
}

// Run by the keyring test: a private session bus with gnome-keyring-daemon.
void AccountDialogsTest::realKeyring() {
    if (qgetenv("SKYHARBOR_KEYRING_TEST") != "1") QSKIP("needs a private keyring session");
    test::Sandbox sandbox;
    SettingsStore settings(JoinPath(DataRoot(), "skyharbor.ini"));
    PasswordStore store(settings, MakeKeychainBackend(10000));
    QVERIFY(store.keyringAvailable());
    // Peers that only take note of the login they are given.
    test::ScriptedPeer pop("+OK hi\r\n", [](const std::string& l) -> std::optional<std::string> {
        return l.rfind("PASS", 0) == 0 ? "-ERR noted\r\n\x04" : "+OK\r\n";
    });
    test::ScriptedPeer smtp("220 hi\r\n", [](const std::string& l) -> std::optional<std::string> {
        if (l.rfind("EHLO", 0) == 0) return "250-peer\r\n250 AUTH PLAIN\r\n";
        return l.rfind("AUTH", 0) == 0 ? "535 noted\r\n\x04" : "250 ok\r\n";
    });
    MailAccount a = ReadAccountForDialog(settings, "DefaultUser");
    a.pop = "127.0.0.1:" + std::to_string(pop.port());
    a.smtp = "127.0.0.1:" + std::to_string(smtp.port());
    a.smtp_user = "jane";
    a.password = "in-the-keyring";
    a.smtp_password = "smtp-secret";
    QVERIFY(store.SaveAccount("DefaultUser", a));
    QCOMPARE(settings.GetString("email_DefaultUser", "password", "<absent>"), std::string());
    QCOMPARE(settings.GetString("email_DefaultUser", "smtp_password", "<absent>"), std::string());
    PasswordStore again(settings, MakeKeychainBackend(10000));
    QCOMPARE(LoadAccountWithPasswords(settings, again, "DefaultUser").password,
             std::string("in-the-keyring"));

    // skyharbor-cli finds them in the keyring as well.
    test::RunCli(SKYHARBOR_CLI_PATH, sandbox, "mail fetch");
    test::RunCli(SKYHARBOR_CLI_PATH, sandbox, "mail send --to ann@example.org --subject s");
    std::vector<std::string> popSaid = pop.transcript(), smtpSaid = smtp.transcript();
    QVERIFY(std::find(popSaid.begin(), popSaid.end(), "PASS in-the-keyring\r\n") != popSaid.end());
    const std::string token = QByteArray("\0jane\0smtp-secret", 17).toBase64().toStdString();
    QVERIFY(std::find(smtpSaid.begin(), smtpSaid.end(), "AUTH PLAIN " + token + "\r\n") != smtpSaid.end());
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AccountDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "account_dialogs_test.moc"
