// The wizards as the running program opens them, with its embedded service.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <QWizard>
#include <memory>

#include "core/base/settings_store.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/browser_profile.h"
#include "ui/homepage/home_page_wizard.h"
#include "ui/homepage/page_edit_doc.h"
#include "ui/homepage/page_edit_frame.h"
#include "ui/homepage/simple_wizard_sheet.h"

using namespace sky;
using namespace sky::ui;

class UiWizardAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        SettingsStore& s = SettingsStore::App();
        s.WriteInt("Service", "EmbeddedPort", 0);
        s.WriteString("Startup", "Home", "about:blank");
        s.WriteString("local", "zip", "10001");
        s.WriteString("Misc", "Account", "walker");
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return true;
        });
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets()) delete qobject_cast<CHomePageWizard*>(w);
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    // Both wizards are on the Tools menu and reach the program's own service.
    void wizardsOpenFromTheToolsMenu() {
        AppContext& context = app_->frame()->context();
        QAction* simple = context.registry().action(QStringLiteral("homepage.simpleWizard"));
        QAction* full = context.registry().action(QStringLiteral("homepage.wizard"));
        QVERIFY(simple && full);

        QString address;
        SetDialogHook([&](QDialog& d) {
            auto* sheet = qobject_cast<CSimpleWizardSheet*>(&d);
            if (!sheet) return -1;
            address = sheet->page1()->address()->text();
            sheet->accept();
            return int(QDialog::Accepted);
        });
        simple->trigger();
        QCOMPARE(address,
                 QStringLiteral("http://%1/~walker").arg(QString::fromStdString(context.hosts().web)));
        // The page is written and opens in the page editor, to go up as index.htm.
        QVERIFY(test::ReadFile(sandbox_->path("Pages/_skywiz.htm")).find("This is my very own page.") !=
                std::string::npos);
        QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join(QLatin1Char('|'))));
        CPageEditFrame* editor = nullptr;
        for (QMdiSubWindow* sub : app_->frame()->mdiArea()->subWindowList())
            if (auto* e = qobject_cast<CPageEditFrame*>(sub->widget())) editor = e;
        QVERIFY(editor);
        QCOMPARE(QFileInfo(editor->doc().path()).canonicalFilePath(),
                 QFileInfo(QString::fromStdString(sandbox_->path("Pages/_skywiz.htm"))).canonicalFilePath());
        QVERIFY2(editor->windowTitle().startsWith(QLatin1String("index.htm - SkyEditUser")),
                 qPrintable(editor->windowTitle()));

        full->trigger();
        CHomePageWizard* wizard = nullptr;
        QTRY_VERIFY((wizard = app_->frame()->window()->findChild<CHomePageWizard*>()) != nullptr);
        QCOMPARE(wizard->mode(), CHomePageWizard::Mode::Wizard);
        wizard->Next();
        auto* backgrounds = wizard->find<CBackgroundsPage>();
        const QString picker =
            QStringLiteral("http://%1/wiz/backgrounds.html").arg(QString::fromStdString(context.hosts().web));
        QTRY_COMPARE_WITH_TIMEOUT(backgrounds->browser()->LocationUrl(), picker, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!backgrounds->browser()->IsLoading(), 20000);
        // The whole screen: the frame with the wizard over it.
        if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) {
            QVERIFY(QTest::qWaitForWindowExposed(wizard));
            QTest::qWait(500);  // only for the picture: the engine paints after loading
            QGuiApplication::primaryScreen()->grabWindow(0).save(qEnvironmentVariable("SKYHARBOR_SHOTS") +
                                                                 QStringLiteral("/frame-wizard.png"));
        }

        // Not logged in: the upload is refused before anything is sent.
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
        boxes_.clear();
        wizard->find<CPreviewHomePage>()->Upload();
        QCOMPARE(boxes_, QStringList{QStringLiteral("You must be logged in !")});
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiWizardAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_wizard_app_test.moc"
