#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "core/base/settings_store.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/httpsvr/httpsvr_view.h"
#include "ui/httpsvr/server_options_dialog.h"

using namespace sky;
using namespace sky::ui;

class UiHttpSvrTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QStringList boxes_;
    std::string root_;

    // curl as the client, as a person's browser would be.
    int Fetch(int port, const QString& path) {
        QProcess curl;
        curl.start(QStringLiteral("curl"),
                   {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                    QStringLiteral("-w"), QStringLiteral("%{http_code}"), QStringLiteral("--max-time"),
                    QStringLiteral("10"), QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)});
        if (!curl.waitForFinished(15000)) return -1;
        return curl.readAllStandardOutput().toInt();
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return false;
        });
        root_ = sandbox_->path("site");
        test::WriteFile(root_ + "/a.htm", "<html>a</html>");
        test::WriteFile(root_ + "/b.htm", "<html>b</html>");
        test::WriteFile(root_ + "/docs/readme.txt", "a folder without a default page");
        SettingsStore& s = SettingsStore::App();
        s.WriteString("Server", "Root", root_);
        s.WriteInt("Server", "Port", 0);
        s.WriteInt("Server", "OwnName", 1);
        s.WriteString("Server", "ServerName", "harbour.example");
    }
    void cleanup() {
        SetMessageHook({});
        sandbox_.reset();
    }

    void hitsMergeByAddressAndSort() {
        CHttpSvrDoc viewDoc(SettingsStore::App());
        CHttpSvrView view(viewDoc);
        view.OpenServer();
        QVERIFY(view.document()->listening());
        int port = view.document()->port();
        QCOMPARE(view.document()->Title(),
                 QStringLiteral("Server Status (http://harbour.example:%1)").arg(port));

        for (int i = 0; i < 10; ++i) QCOMPARE(Fetch(port, QStringLiteral("/a.htm")), 200);
        QTRY_COMPARE_WITH_TIMEOUT(view.rowCount(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(view.list()->topLevelItem(0)->text(httpsvr::kColHits), QStringLiteral("10"),
                                  5000);
        QCOMPARE(view.list()->topLevelItem(0)->text(httpsvr::kColHitName), QStringLiteral("a.htm"));
        QVERIFY(!view.list()->topLevelItem(0)->text(httpsvr::kColTime).isEmpty());

        QCOMPARE(Fetch(port, QStringLiteral("/missing.htm")), 404);
        QCOMPARE(Fetch(port, QStringLiteral("/b.htm")), 200);
        QCOMPARE(Fetch(port, QStringLiteral("/b.htm")), 200);
        QCOMPARE(Fetch(port, QStringLiteral("/docs/")), 200);
        QTRY_COMPARE_WITH_TIMEOUT(view.rowCount(), 4, 5000);
        QCOMPARE(view.document()->hitCount(), 14L);

        auto column = [&](int c) {
            QStringList out;
            for (int i = 0; i < view.rowCount(); ++i) out << view.list()->topLevelItem(i)->text(c);
            return out;
        };
        view.SortBy(httpsvr::kColHits);
        QCOMPARE(column(httpsvr::kColHits), (QStringList{"1", "1", "2", "10"}));
        view.SortBy(httpsvr::kColHitName);
        QStringList names = column(httpsvr::kColHitName);
        // Failed hits last, showing their status with no folder.
        QCOMPARE(names.last(), QStringLiteral("404 Not Found"));
        // Folders first.
        QCOMPARE(column(httpsvr::kColUrl).first(), QStringLiteral("/docs/"));
        QCOMPARE(column(httpsvr::kColFolder).last(), QString());
        QVERIFY(names.indexOf(QStringLiteral("a.htm")) < names.indexOf(QStringLiteral("b.htm")));
    }

    void windowKeepsTheLastTenThousandHits() {
        CHttpSvrDoc viewDoc(SettingsStore::App());
        CHttpSvrView view(viewDoc);
        httpsvr::CHitDoc hit;
        hit.status = 404;
        hit.file = "404 Not Found";
        for (int i = 0; i < 10001; ++i) {
            hit.url = "/missing/" + std::to_string(i);
            view.AddHit(hit);
        }
        QCOMPARE(view.rowCount(), 10000);
        QCOMPARE(view.HitAt(0)->url, std::string("/missing/1"));
        auto* status = view.findChild<QLabel*>();
        QVERIFY(status);
        QVERIFY(status->text().contains(QStringLiteral("showing the last 10,000 hits")));
    }

    void portInUseSaysSoAndTitleShowsIt() {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, 0));
        SettingsStore::App().WriteInt("Server", "Port", squatter.serverPort());
        CHttpSvrDoc viewDoc(SettingsStore::App());
        CHttpSvrView view(viewDoc);
        view.OpenServer();
        QVERIFY(!view.document()->listening());
        QCOMPARE(boxes_.size(), 1);
        QVERIFY(boxes_[0].startsWith(
            QStringLiteral("Port %1 is already in use!\n\nMake sure").arg(squatter.serverPort())));
        QCOMPARE(view.document()->Title(), QStringLiteral("Server Status (Error! Not Listening!)"));
        QCOMPARE(view.document()->StatusLine(), QStringLiteral("Server not listening"));

        // New options restart the listener.
        httpsvr::ServerSettings next = view.document()->settings();
        next.port = test::FreePort();
        view.document()->ApplySettings(next);
        QVERIFY(view.document()->listening());
        QCOMPARE(view.document()->port(), next.port);
        QCOMPARE(Fetch(next.port, QStringLiteral("/a.htm")), 200);
        QCOMPARE(SettingsStore::App().GetInt("Server", "Port", 0), next.port);
    }

    void rootFolderCheck() {
        std::string missing = sandbox_->path("not/yet");
        SettingsStore::App().WriteString("Server", "Root", missing);
        CHttpSvrDoc viewDoc(SettingsStore::App());
        CHttpSvrView view(viewDoc);
        QString asked;
        view.askMissingRoot = [&](const QString& path, bool* create) {
            asked = path;
            *create = true;
            return path;
        };
        QVERIFY(view.CheckRootFolder());
        QCOMPARE(asked, QString::fromStdString(missing));
        QVERIFY(std::filesystem::is_directory(missing));

        // A file where the folder should be: the user names another folder.
        test::WriteFile(sandbox_->path("plainfile"), "x");
        SettingsStore::App().WriteString("Server", "Root", sandbox_->path("plainfile"));
        CHttpSvrDoc secondDoc(SettingsStore::App());
        CHttpSvrView second(secondDoc);
        second.askNotAFolder = [&](const QString&) { return QString::fromStdString(root_); };
        QVERIFY(second.CheckRootFolder());
        QCOMPARE(second.document()->settings().root, root_);
        QCOMPARE(SettingsStore::App().GetString("Server", "Root"), root_);

        // Giving up leaves it unchecked.
        SettingsStore::App().WriteString("Server", "Root", sandbox_->path("gone"));
        CHttpSvrDoc thirdDoc(SettingsStore::App());
        CHttpSvrView third(thirdDoc);
        third.askMissingRoot = [](const QString&, bool*) { return QString(); };
        QVERIFY(!third.CheckRootFolder());
    }

    void startServerDialogNeedsALogin() {
        StartServerDialog out(SettingsStore::App(), QStringLiteral("pilot"), false);
        out.PressStart();
        QCOMPARE(boxes_, QStringList{QStringLiteral("You must login")});
        QVERIFY(!out.startChosen());
        out.PressCancel();
        QCOMPARE(boxes_.last(), QStringLiteral("Aborted"));
        StartServerDialog in(SettingsStore::App(), QStringLiteral("pilot"), true);
        in.PressStart();
        QVERIFY(in.startChosen());
    }

    void optionsSheetCarriesEveryField() {
        httpsvr::ServerSettings s;
        s.root = "/srv/www";
        s.port = 8080;
        ServerOptionsDialog dialog(s);
        dialog.portBox()->setValue(9099);
        dialog.rootEdit()->setText(QStringLiteral("/srv/other/"));
        QCOMPARE(dialog.listenEdit()->text(), QString());
        dialog.listenEdit()->setText(QStringLiteral(" 127.0.0.1 "));
        httpsvr::ServerSettings out = dialog.settings();
        QCOMPARE(out.listenAddress, std::string("127.0.0.1"));
        QCOMPARE(out.port, 9099);
        QCOMPARE(out.root, std::string("/srv/other"));
        QCOMPARE(dialog.pages()->count(), 3);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UiHttpSvrTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_httpsvr_test.moc"
