// Channel changes in the running program, with its embedded member service:
// what is on disk while the program still runs is what a crash would leave.
#include <QApplication>
#include <QTest>
#include <memory>

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/channels/channel_import.h"
#include "ui/service/download_manager.h"

using namespace sky;
using namespace sky::ui;

class UiChannelsAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;

    SettingsStore& S() { return SettingsStore::App(); }
    AppContext& Context() { return app_->frame()->context(); }
    CChannelList& Channels() { return Context().mainChannels(); }
    static CChannelList OnDisk() {
        CChannelList list;
        list.Load(MainChannelFilePath());
        return list;
    }

    void Start() {
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QVERIFY(app_->embeddedService());
    }
    void WaitForImport() {
        QVERIFY(QTest::qWaitFor([&] { return !Context().downloads().busy() && !Channels().empty(); }, 20000));
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        S().WriteInt("Service", "EmbeddedPort", 0);
        S().WriteString("Startup", "Home", "about:blank");
        // No first-run sheets: an account and a postal code are there.
        S().WriteString("Misc", "Account", "harbour");
        S().WriteString("local", "zip", "10001");
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return true;
        });
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
    }
    void cleanup() {
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        DialogClashResolver::SetClashHook({});
        sandbox_.reset();
    }

    // A start after a crash: the bar is empty though an import happened before.
    // The public channels come back quietly and are on disk at once.
    void emptyBarImportsQuietlyAndSavesAtOnce() {
        S().WriteInt("misc", "FirstChannelImport", 1);
        Start();
        WaitForImport();
        for (const QString& box : boxes_)
            QVERIFY2(!box.contains(QLatin1String("Public Channel")), qPrintable(box));
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(OnDisk().Serialize(), Channels().Serialize());
    }

    // A link import that said "Channel File has been processed !" is on disk
    // before the program closes; nothing is left to ask at close.
    void linkImportIsOnDiskBeforeTheBox() {
        Start();
        WaitForImport();
        const size_t before = Channels().size();
        QStringList diskWhenTold;
        SetMessageHook([&](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            if (text == QLatin1String("Channel File has been processed !"))
                diskWhenTold << QString::number(OnDisk().size());
            return true;
        });
        DialogClashResolver::SetClashHook([](const QString&) { return ClashResolver::Choice::Append; });
        boxes_.clear();
        QString url = QString::fromStdString(ServiceUrl(Context().hosts().web, "/skychan1.sky"));
        QVERIFY(Context().registry().Invoke(QStringLiteral("channels.importPublic"), url));
        QVERIFY(QTest::qWaitFor([&] { return !diskWhenTold.isEmpty(); }, 20000));
        QCOMPARE(Channels().size(), 2 * before);
        QCOMPARE(diskWhenTold, QStringList{QString::number(2 * before)});
        QCOMPARE(OnDisk().Serialize(), Channels().Serialize());

        // Closing asks nothing about channels: they are saved.
        boxes_.clear();
        app_->ExitInstance();
        app_.reset();
        for (const QString& box : boxes_)
            QVERIFY2(!box.contains(QLatin1String("channel setup")), qPrintable(box));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UiChannelsAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_channels_app_test.moc"
