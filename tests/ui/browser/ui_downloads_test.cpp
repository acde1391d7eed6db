#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class UiDownloadsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList statuses_, dialogFolders_;
    QString saveAs_;

    CK7View* mainView() { return app_->frame()->context().browser->MainBrowserView(); }
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
    DownloadRow* Download(const std::string& url, const QString& saveAs) {
        saveAs_ = saveAs;
        const int rows = window() ? window()->rows().size() : 0;
        mainView()->NavigateUrl(QUrl(QString::fromStdString(url)));
        if (!QTest::qWaitFor([&] { return window() && window()->rows().size() > rows; }, 15000))
            return nullptr;
        return window()->rows().last();
    }
    static bool Ends(DownloadItem* item, DownloadItem::State state) {
        return QTest::qWaitFor([&] { return item->state() == state; }, 20000);
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        statuses_.clear();
        dialogFolders_.clear();
        qputenv("XDG_CONFIG_HOME", Folder("xdg").toUtf8());
        test::WriteFile(sandbox_->path("xdg/user-dirs.dirs"),
                        "XDG_DOWNLOAD_DIR=\"" + Folder("Téléchargements").toStdString() + "\"\n");
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
        connect(app_->frame()->statusBar(), &QStatusBar::messageChanged, this,
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

    // Only a complete file appears under its name; a cancelled or failed one leaves nothing.
    void downloadsCompleteWholeOrLeaveNothing() {
        const std::string body = Body(400000);
        const QString folder = Folder("chosen");
        test::ScriptedReply held = Attachment("data.zip", body, 8, 20);
        held.holdLast = true;
        test::ScriptedServer data({held});
        DownloadRow* row = Download(data.url("/data.zip"), folder + QStringLiteral("/kept.zip"));
        QVERIFY(row);
        DownloadItem* item = row->item();
        // Mid-way, with the last piece held back: only the hidden part exists.
        const auto onlyPart = [&] {
            const QStringList names = Entries(folder);
            return names.size() == 1 && names[0].startsWith(QLatin1String(".kept.zip.part"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(onlyPart(), 20000);
        QCOMPARE(int(item->state()), int(DownloadItem::State::Running));
        bool finalSeenEarly = false;
        const auto watch = connect(item, &DownloadItem::changed, this, [&] {
            if (item->state() == DownloadItem::State::Running) finalSeenEarly |= QFileInfo::exists(saveAs_);
        });
        data.Release();
        const bool completed = Ends(item, DownloadItem::State::Completed);
        disconnect(watch);
        QVERIFY(completed);
        QVERIFY(!finalSeenEarly);
        QCOMPARE(Entries(folder), QStringList{QStringLiteral("kept.zip")});
        QCOMPARE(test::ReadFile(saveAs_.toStdString()), body);
        QCOMPARE(row->progress()->value(), 100);
        QVERIFY(row->openButton()->isVisibleTo(row) && !row->cancelButton()->isVisibleTo(row));
        QVERIFY(statuses_.contains(QStringLiteral("Download complete: kept.zip")));

        // Slow enough to be cancelled half way; the question starts in the folder last chosen.
        test::ScriptedServer big({Attachment("big.bin", Body(4000000), 200, 100)});
        row = Download(big.url("/big.bin"), folder + QStringLiteral("/big.bin"));
        QVERIFY(row);
        QCOMPARE(dialogFolders_, (QStringList{Folder("Téléchargements"), folder}));
        QTRY_VERIFY_WITH_TIMEOUT(row->item()->received() > 0, 15000);
        QVERIFY(row->item()->percent() < 100);
        QTest::mouseClick(row->cancelButton(), Qt::LeftButton);
        QCOMPARE(int(row->item()->state()), int(DownloadItem::State::Cancelled));
        QCOMPARE(row->status()->text(), QStringLiteral("Cancelled"));
        QTRY_COMPARE_WITH_TIMEOUT(Entries(folder), QStringList{QStringLiteral("kept.zip")}, 10000);

        // The server hangs up long before the length it announced; the engine
        // retries under the same name: still one row, and a reason that is true.
        test::ScriptedServer cut({Attachment("cut.zip", Body(5000), 1, 0, 900000)});
        row = Download(cut.url("/cut.zip"), folder + QStringLiteral("/cut.zip"));
        QVERIFY(row);
        QVERIFY(Ends(row->item(), DownloadItem::State::Failed));
        QCOMPARE(window()->rows().size(), 3);
        const QString reason =
            QStringLiteral("The server closed the connection before the whole file arrived.");
        QCOMPARE(row->status()->text(), QStringLiteral("Failed: ") + reason);
        QVERIFY(statuses_.contains(QStringLiteral("Download of cut.zip failed: ") + reason));
        QVERIFY(window()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(Entries(folder), QStringList{QStringLiteral("kept.zip")}, 10000);
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiDownloadsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_downloads_test.moc"
