// The FTP window against a real FTP server (pyftpdlib) on loopback.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "core/base/settings_store.h"
#include "core/ftp/ftp_client.h"
#include "support/cli_run.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/base/keychain.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_profile.h"
#include "ui/ftp/ftp_dialogs.h"
#include "ui/ftp/ftp_view.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/webspace/local_files_panel.h"

using namespace sky;
using namespace sky::ui;

namespace {

// pyftpdlib serving `root` to user "jane" (password "secret"), writable.
class FtpServer {
public:
    explicit FtpServer(const std::string& root) {
        port_ = test::FreePort();
        process_.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
             QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port_), QStringLiteral("-w"),
             QStringLiteral("-d"), QString::fromStdString(root), QStringLiteral("-u"), QStringLiteral("jane"),
             QStringLiteral("-P"), QStringLiteral("secret")});
    }
    ~FtpServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int port() const { return port_; }
    ftp::FtpSite Site() const {
        ftp::FtpSite s;
        s.host = "127.0.0.1";
        s.port = port_;
        s.user = "jane";
        s.password = "secret";
        return s;
    }

private:
    QProcess process_;
    int port_ = 0;
};

bool Listening(int port) {
    return test::WaitFor([port] {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), port);
        return s.waitForConnected(200);
    });
}

// Connects and waits for the first listing.
bool Connect(CFTPView& view, const ftp::FtpSite& site, const QString& folder) {
    view.ConnectTo(site, folder);
    return test::WaitFor([&] {
               QCoreApplication::processEvents();
               return !view.busy();
           }) &&
           view.document()->connected();
}

QStringList Names(QTreeWidget* list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
    return out;
}

}  // namespace

class UiFtpTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<AppContext> context_;
    QStringList boxes_;

    std::string Root() { return sandbox_->path("served"); }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        SettingsStore::App().WriteInt("Service", "Embedded", 0);
        context_ = std::make_unique<AppContext>(sandbox_->path("skyharbor.ini"));
        boxes_.clear();
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            boxes_ << title + QLatin1Char('|') + text;
            return true;
        });
        std::filesystem::create_directories(Root() + "/pub/docs");
        test::WriteFile(Root() + "/readme", "read me\n");
        test::WriteFile(Root() + "/pub/page.htm", "<p>hello</p>\n");
    }
    void cleanup() {
        SetMessageHook({});
        SetDialogHook({});
        context_.reset();
        sandbox_.reset();
    }

    // Connect, walk down and back up, make a folder and an empty file.
    void browseAndCreate() {
        FtpServer server(Root());
        QVERIFY(Listening(server.port()));
        CFTPView view(*context_);
        QVERIFY(Connect(view, server.Site(), QStringLiteral("/")));
        QStringList top = Names(view.list());
        top.sort();
        QCOMPARE(top, (QStringList{"pub", "readme"}));
        QCOMPARE(view.list()->findItems(QStringLiteral("readme"), Qt::MatchExactly).value(0)->text(1),
                 QStringLiteral("1K"));

        view.OpenRow(view.list()->findItems(QStringLiteral("pub"), Qt::MatchExactly).value(0));
        QTRY_VERIFY_WITH_TIMEOUT(!view.busy() && view.document()->folder == QStringLiteral("/pub/"), 10000);
        // The server's order, behind the parent row.
        QTRY_COMPARE_WITH_TIMEOUT(Names(view.list()).size(), 3, 10000);
        QCOMPARE(Names(view.list()).first(), QStringLiteral("Up to parent Folder"));
        QStringList rest = Names(view.list()).mid(1);
        rest.sort();
        QCOMPARE(rest, (QStringList{"docs", "page.htm"}));

        view.NewFolder(QStringLiteral("made"));
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::is_directory(Root() + "/pub/made"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!view.busy(), 10000);
        view.NewFile(QStringLiteral("empty.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(Root() + "/pub/empty.txt"), 10000);
        QCOMPARE(std::filesystem::file_size(Root() + "/pub/empty.txt"), 0u);
        QTRY_VERIFY_WITH_TIMEOUT(Names(view.list()).contains(QStringLiteral("empty.txt")), 10000);

        if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) {
            view.resize(700, 520);
            view.show();
            view.grab().save(qEnvironmentVariable("SKYHARBOR_SHOTS") + QStringLiteral("/ftp.png"));
        }
        view.OpenRow(view.list()->topLevelItem(0));  // up to /
        QTRY_VERIFY_WITH_TIMEOUT(!view.busy() && view.document()->folder == QStringLiteral("/"), 10000);
    }

    // A file fetched into SkyPad goes back to the server when saved; files
    // dropped on the local panel are fetched there; local files go up.
    void editFetchAndUpload() {
        FtpServer server(Root());
        QVERIFY(Listening(server.port()));
        CFTPView view(*context_);
        QVERIFY(Connect(view, server.Site(), QStringLiteral("/pub/")));

        // Remote rows dropped on the local panel.
        std::string localDir = sandbox_->path("local");
        std::filesystem::create_directories(localDir);
        view.localFiles()->SetFolder(QString::fromStdString(localDir));
        view.Fetch({QStringLiteral("ftp://127.0.0.1/pub/page.htm")}, QString::fromStdString(localDir));
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(localDir + "/page.htm"), 10000);
        QCOMPARE(test::ReadFile(localDir + "/page.htm"), std::string("<p>hello</p>\n"));
        // A name that would leave the folder is refused.
        QTRY_VERIFY_WITH_TIMEOUT(!view.busy(), 10000);
        view.Fetch({QStringLiteral("ftp://127.0.0.1/pub/..")}, QString::fromStdString(localDir));
        QVERIFY(boxes_.last().contains(QStringLiteral("Could not get file")));

        // "ftp upload": one file to a remote name; a refused login says "Failed [-1]".
        std::string single = sandbox_->path("single.txt");
        test::WriteFile(single, "just one");
        FtpUploadDialog upload;
        upload.local()->setText(QString::fromStdString(single));
        upload.server()->setText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        upload.user()->setText(QStringLiteral("jane"));
        upload.password()->setText(QStringLiteral("wrong"));
        upload.remote()->setText(QStringLiteral("pub/single.txt"));
        upload.accept();
        QCOMPARE(upload.result(), -1);
        QVERIFY(boxes_.last().endsWith(QStringLiteral("Failed [-1]")));
        upload.password()->setText(QStringLiteral("secret"));
        upload.accept();
        QCOMPARE(upload.result(), 0);
        QCOMPARE(test::ReadFile(Root() + "/pub/single.txt"), std::string("just one"));

        // Upload two local files into the folder shown.
        std::string a = sandbox_->path("up1.txt"), b = sandbox_->path("up2.txt");
        test::WriteFile(a, "one");
        test::WriteFile(b, "two");
        view.UploadFiles({QString::fromStdString(a), QString::fromStdString(b)});
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(Root() + "/pub/up2.txt") && !view.busy(), 10000);
        QCOMPARE(test::ReadFile(Root() + "/pub/up1.txt"), std::string("one"));
    }

    // Kept in the keyring when asked: the dialog offers it again, the cli
    // logs in with it, and unticking takes it out. Never in a file.
    void realKeyring() {
        if (qgetenv("SKYHARBOR_KEYRING_TEST") != "1") QSKIP("needs a private keyring session");
        FtpServer server(Root());
        QVERIFY(Listening(server.port()));
        auto secrets = MakeKeychainBackend(10000);
        {
            FtpConnectDialog dialog(context_->settings(), nullptr, secrets.get());
            QVERIFY(dialog.remember()->isVisibleTo(&dialog));
            dialog.server()->setText(QStringLiteral("127.0.0.1"));
            dialog.port()->setValue(server.port());
            dialog.user()->setText(QStringLiteral("jane"));
            dialog.password()->setText(QStringLiteral("secret"));
            dialog.remember()->setChecked(true);
            if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) {
                dialog.protocol()->setCurrentIndex(static_cast<int>(ftp::Protocol::Sftp));
                dialog.show();
                dialog.grab().save(qEnvironmentVariable("SKYHARBOR_SHOTS") +
                                   QStringLiteral("/ftp-connect.png"));
                dialog.protocol()->setCurrentIndex(static_cast<int>(ftp::Protocol::Ftp));
            }
            dialog.Save();
        }
        const std::string url = "ftp://jane@127.0.0.1:" + std::to_string(server.port()) + "/";
        const std::string cli = SKYHARBOR_CLI_PATH;
        test::CliRun run = test::RunCli(cli, *sandbox_, "ftp --quiet list " + url);
        QVERIFY2(run.status == 0, run.err.c_str());
        QVERIFY(run.out.find("readme") != std::string::npos);
        QVERIFY(test::ReadFile(sandbox_->path("skyharbor.ini")).find("secret") == std::string::npos);

        FtpConnectDialog again(context_->settings(), nullptr, secrets.get());
        QCOMPARE(again.sites()->count(), 2);
        again.sites()->setCurrentIndex(1);
        QCOMPARE(again.password()->text(), QStringLiteral("secret"));
        QVERIFY(again.remember()->isChecked());
        again.remember()->setChecked(false);
        again.Save();
        run = test::RunCli(cli, *sandbox_, "ftp --quiet list " + url);
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.find("refused the user name or password") != std::string::npos, run.err.c_str());
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiFtpTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_ftp_test.moc"
