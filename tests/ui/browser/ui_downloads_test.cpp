#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <memory>

#include "core/base/settings_store.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "support/scripted_server.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/download_list.h"
#include "ui/browser/downloads_window.h"

using namespace sky;
using namespace sky::ui;

namespace {

test::ScriptedReply Attachment(const std::string& name, const std::string& body, int chunks, int pauseMs,
                               size_t announced = 0) {
    std::string head =
        "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Disposition: attachment; "
        "filename=\"" +
        name + "\"\r\nContent-Length: " + std::to_string(announced ? announced : body.size()) +
        "\r\nConnection: close\r\n\r\n";
    return {head, body, chunks, pauseMs};
}

std::string Body(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + (i * 7) % 26);
    return body;
}

// Every name in `folder`, hidden ones too.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class UiDownloadsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList statuses_;
    QStringList dialogFolders_;
    QString saveAs_;
    QString defaultFolder_;

    CMainFrame* frame() { return app_->frame(); }
    CK7View* mainView() { return frame()->context().browser->MainBrowserView(); }
    DownloadsWindow* window() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<DownloadsWindow*>(w)) return d;
        return nullptr;
    }
    QString Folder(const char* name) {
        QString folder = QString::fromStdString(sandbox_->path(name));
        QDir().mkpath(folder);
        return folder;
    }
    // Starts the download of `url` and returns its row once it shows.
    DownloadRow* Download(const std::string& url) {
        mainView()->NavigateUrl(QUrl(QString::fromStdString(url)));
        if (!QTest::qWaitFor([this] { return window() && !window()->rows().isEmpty(); }, 15000))
            return nullptr;
        return window()->rows().last();
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        statuses_.clear();
        dialogFolders_.clear();
        saveAs_.clear();
        // The desktop's download folder, as xdg-user-dirs names it.
        const QString xdg = QString::fromStdString(sandbox_->path("xdg"));
        QDir().mkpath(xdg);
        defaultFolder_ = Folder("Téléchargements");
        test::WriteFile(sandbox_->path("xdg/user-dirs.dirs"),
                        "XDG_DOWNLOAD_DIR=\"" + defaultFolder_.toStdString() + "\"\n");
        qputenv("XDG_CONFIG_HOME", xdg.toUtf8());
        SetMessageHook([](MessageKind, const QString&, const QString&) { return false; });
        SettingsStore::App().WriteString("Startup", "Home", "about:blank");
        SettingsStore::App().WriteInt("Service", "Embedded", 0);
        SettingsStore::App().WriteString("Misc", "Account", "UNREGISTERED");
        test::WriteFile(sandbox_->path("skychan1.sky"), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
        // The save question is answered with saveAs_; first-run sheets are declined.
        SetDialogHook([this](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files || saveAs_.isEmpty()) return int(QDialog::Rejected);
            dialogFolders_ << files->directory().absolutePath();
            files->selectFile(saveAs_);
            return int(QDialog::Accepted);
        });
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
        connect(frame()->statusBar(), &QStatusBar::messageChanged, this,
                [this](const QString& text) { statuses_ << text; });
    }
    void cleanup() {
        app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
        qunsetenv("XDG_CONFIG_HOME");
    }

    void aFileArrivesUnderTheChosenNameOnlyWhenComplete() {
        const std::string body = Body(400000);
        test::ScriptedServer server({Attachment("data.zip", body, 8, 150)});
        const QString folder = Folder("chosen");
        saveAs_ = folder + QStringLiteral("/kept.zip");
        // The question starts in the desktop's download folder the first time.
        QVERIFY(!SettingsStore::App().Has("Downloads", "Folder"));

        DownloadRow* row = Download(server.url("/data.zip"));
        QVERIFY(row);
        DownloadItem* item = row->item();
        QCOMPARE(item->path(), saveAs_);
        // While it runs only the hidden part is there.
        bool finalSeenEarly = false, partSeen = false;
        connect(item, &DownloadItem::changed, this, [&] {
            if (item->state() != DownloadItem::State::Running) return;
            finalSeenEarly |= QFileInfo::exists(saveAs_);
            const QStringList names = Entries(folder);
            partSeen |= names.size() == 1 && names[0].startsWith(QLatin1String(".kept.zip.part"));
        });
        QTRY_COMPARE_WITH_TIMEOUT(int(item->state()), int(DownloadItem::State::Completed), 20000);
        QVERIFY(partSeen);
        QVERIFY(!finalSeenEarly);
        QCOMPARE(Entries(folder), QStringList{QStringLiteral("kept.zip")});
        QCOMPARE(test::ReadFile(saveAs_.toStdString()), body);
        QCOMPARE(row->progress()->value(), 100);
        QVERIFY(row->openButton()->isVisibleTo(row));
        QVERIFY(!row->cancelButton()->isVisibleTo(row));
        QVERIFY(statuses_.contains(QStringLiteral("Download complete: kept.zip")));

        // The folder is remembered: the next question starts there.
        QCOMPARE(QString::fromStdString(SettingsStore::App().GetString("Downloads", "Folder")), folder);
        QCOMPARE(dialogFolders_.value(0), defaultFolder_);
    }

    void cancelledAndFailedDownloadsLeaveNothing() {
        const QString folder = Folder("partial");
        SettingsStore::App().WriteString("Downloads", "Folder", folder.toStdString());
        {
            // Slow enough to be cancelled half way.
            test::ScriptedServer server({Attachment("big.bin", Body(4000000), 200, 100)});
            saveAs_ = folder + QStringLiteral("/big.bin");
            DownloadRow* row = Download(server.url("/big.bin"));
            QVERIFY(row);
            QCOMPARE(dialogFolders_.value(0), folder);
            DownloadItem* item = row->item();
            QTRY_VERIFY_WITH_TIMEOUT(item->received() > 0, 15000);
            QVERIFY(item->percent() < 100);
            QTest::mouseClick(row->cancelButton(), Qt::LeftButton);
            QCOMPARE(int(item->state()), int(DownloadItem::State::Cancelled));
            QTRY_COMPARE_WITH_TIMEOUT(Entries(folder), QStringList{}, 10000);
            QCOMPARE(row->status()->text(), QStringLiteral("Cancelled"));
        }
        {
            // The server hangs up long before the length it announced.
            test::ScriptedServer server({Attachment("cut.zip", Body(5000), 1, 0, 900000)});
            saveAs_ = folder + QStringLiteral("/cut.zip");
            mainView()->NavigateUrl(QUrl(QString::fromStdString(server.url("/cut.zip"))));
            QTRY_COMPARE_WITH_TIMEOUT(window()->rows().size(), 2, 15000);
            DownloadRow* row = window()->rows().last();
            QCOMPARE(row->item()->fileName(), QStringLiteral("cut.zip"));
            QTRY_COMPARE_WITH_TIMEOUT(int(row->item()->state()), int(DownloadItem::State::Failed), 20000);
            // The engine retries under the same name: still one row, and a reason that is true.
            QCOMPARE(window()->rows().size(), 2);
            QCOMPARE(
                row->status()->text(),
                QStringLiteral("Failed: The server closed the connection before the whole file arrived."));
            QVERIFY(
                statuses_.contains(QStringLiteral("Download of cut.zip failed: The server closed the "
                                                  "connection before the whole file arrived.")));
            QVERIFY(window()->isVisible());
            QTRY_COMPARE_WITH_TIMEOUT(Entries(folder), QStringList{}, 10000);
        }
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiDownloadsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_downloads_test.moc"
