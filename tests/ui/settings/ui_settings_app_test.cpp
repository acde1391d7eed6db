// The settings sheet and the control panel in the running program: the words
// that open them, the bars they change at once, the scheme applied live.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "core/base/settings_store.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channels_tool.h"
#include "ui/channels/sub_channel_view.h"
#include "ui/chat/chat_view.h"
#include "ui/settings/control_panel_sheet.h"
#include "ui/settings/page_look_feel.h"
#include "ui/settings/settings_sheet.h"

using namespace sky;
using namespace sky::ui;

class UiSettingsAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;

    SettingsStore& S() { return SettingsStore::App(); }
    AppContext& Context() { return app_->frame()->context(); }
    FrameHost& Frame() { return *app_->frame(); }
    bool StatusBarShown() { return !app_->frame()->statusBar()->isHidden(); }

    void Start() {
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        S().WriteInt("Service", "EmbeddedPort", 0);
        S().WriteString("Startup", "Home", "about:blank");
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
        sandbox_.reset();
    }

    // "cpanel5" opens the window page; its bar boxes act while the sheet
    // stays open and follow the frame; the pop-up boxes count only on OK.
    void windowPageActsAtOnce() {
        Start();
        const bool popupBefore = Context().browser->popupOption();
        int shownPage = -1;
        QStringList faults;
        SetDialogHook([&](QDialog& dialog) {
            auto* sheet = qobject_cast<CControlPanelSheet*>(&dialog);
            if (!sheet) return int(QDialog::Rejected);
            sheet->show();
            shownPage = sheet->tabs()->currentIndex();
            ControlPanelPage5* page = sheet->page5();
            auto check = [&](const char* what, bool ok) {
                if (!ok) faults << QString::fromLatin1(what);
            };
            check("channel box starts as the bar", page->channelBar()->isChecked() == Frame().SideBarShown());
            check("status box starts as the bar", page->statusBar()->isChecked() == StatusBarShown());
            const bool barBefore = Frame().SideBarShown();
            page->channelBar()->click();
            check("channel bar toggled", Frame().SideBarShown() != barBefore);
            check("channel box follows", page->channelBar()->isChecked() == Frame().SideBarShown());
            check("sheet stays open", sheet->isVisible());
            const bool statusBefore = StatusBarShown();
            page->statusBar()->click();
            check("status bar toggled", StatusBarShown() != statusBefore);
            check("status box follows", page->statusBar()->isChecked() == StatusBarShown());
            page->zoom()->click();
            check("zoom entered", Frame().IsZoomed() && page->zoom()->isChecked());
            page->zoom()->click();
            check("zoom left", !Frame().IsZoomed() && !page->zoom()->isChecked());
            check("sheet still open", sheet->isVisible());
            page->popup()->click();
            check("pop-up rule waits for OK", Context().browser->popupOption() == popupBefore);
            sheet->accept();
            return int(QDialog::Accepted);
        });
        QVERIFY(Context().registry().InvokeLink(LinkCommand::ControlPanel, 5));
        QCOMPARE(shownPage, 4);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral(", "))));
        QCOMPARE(Context().browser->popupOption(), !popupBefore);
        QVERIFY(!boxes_.contains(QStringLiteral("Sorry.  Not yet available")));
    }

    // The account page shows both fields, reads them again after the
    // registration sheet, and tells how to recover a password.
    void accountPageRereadsItsFields() {
        Start();
        QString before, after;
        SetDialogHook([&](QDialog& dialog) {
            auto* sheet = qobject_cast<CControlPanelSheet*>(&dialog);
            if (!sheet) {
                // The registration sheet: a new member name lands in the settings.
                S().WriteString("Misc", "Account", "newmember");
                return int(QDialog::Rejected);
            }
            ControlPanelPage3* page = sheet->page3();
            before = page->account()->text() + QLatin1Char('/') + page->zip()->text();
            page->forgotButton()->click();
            page->registerButton()->click();
            after = page->account()->text();
            return int(QDialog::Rejected);
        });
        QVERIFY(Context().registry().InvokeLink(LinkCommand::ControlPanel, 3));
        QCOMPARE(before, QStringLiteral("harbour/10001"));
        QCOMPARE(after, QStringLiteral("newmember"));
        QVERIFY(
            boxes_.contains(QStringLiteral("If you forgot your password...\n\nTry to Login with a blank "
                                           "password \nand the prompt for your password hint\nwill be "
                                           "displayed.")));
    }

    // The look-and-feel intro box starts each run with the channel introduction on.
    void introAtStartTurnsTheOptionOn() {
        Start();
        QVERIFY(!Context().browser->ChannelIntroOption());
        app_->ExitInstance();
        app_.reset();
        S().WriteInt("nColors", "CIStart", 4);
        Start();
        QVERIFY(Context().browser->ChannelIntroOption());
    }

    // "lookfeel" opens the sheet; OK repaints the channel bar, the
    // navigation bar, the channel viewer's rows and an open chat window
    // without a restart.
    void lookAndFeelAppliesAtOnce() {
        Start();
        const QColor chosen(10, 20, 30);
        bool opened = false;
        SetDialogHook([&](QDialog& dialog) {
            auto* sheet = qobject_cast<CSettingsSheet*>(&dialog);
            if (!sheet) return int(QDialog::Rejected);
            opened = true;
            CPageLookFeel* page = sheet->lookFeel();
            page->pickColour = [&](const QColor&, QWidget*) { return chosen; };
            page->button(CPageLookFeel::ChannelBack)->click();
            page->button(CPageLookFeel::TopBack)->click();
            page->button(CPageLookFeel::SubBack)->click();
            sheet->accept();
            return int(QDialog::Accepted);
        });
        CChannelBar* bar = Context().channels->bar();
        QVERIFY(bar);
        CSubChannelView* rows = ChannelsTool::SubChannelViewOf(Context().channels->ChannelWindow(false));
        QVERIFY(rows);
        QVERIFY(rows->palette().color(QPalette::Window) != chosen);
        QVERIFY(Frame().OpenDocument(TemplateId::Chat));
        auto* chat = app_->frame()->findChild<CChatView*>();
        QVERIFY(chat);
        QCOMPARE(chat->palette().color(QPalette::Window), bar->palette().color(QPalette::Window));
        QVERIFY(bar->palette().color(QPalette::Window) != chosen);
        QVERIFY(Context().registry().InvokeLink(LinkCommand::LookAndFeel, 0));
        QVERIFY(opened);
        QCOMPARE(bar->palette().color(QPalette::Window), chosen);
        auto* nav = app_->frame()->findChild<QWidget*>(QStringLiteral("NavigationBar"));
        QVERIFY(nav);
        QCOMPARE(nav->palette().color(QPalette::Window), chosen);
        QCOMPARE(chat->palette().color(QPalette::Window), chosen);
        QCOMPARE(rows->palette().color(QPalette::Window), chosen);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UiSettingsAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_settings_app_test.moc"
