// The home page wizards against the member service binary: pages built,
// pictures picked from the service's pages, and uploads fetched back.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

#include "core/base/paths.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/sky_web_page.h"
#include "ui/homepage/home_page_wizard.h"
#include "ui/homepage/simple_wizard_sheet.h"

using namespace sky;
using namespace sky::ui;

class UiWizardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QProcess service_;
    int port_ = 0;
    QStringList boxes_, titles_;
    bool answer_ = true;
    std::function<int(QDialog&)> onDialog_;

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    WizardEnv Env(bool loggedIn = true) {
        WizardEnv env;
        env.webHost = host();
        env.account = QStringLiteral("walker");
        env.profile = profile_.get();
        env.loggedIn = [loggedIn] { return loggedIn; };
        env.target = [this] {
            webspace::ServerTarget t;
            t.host = host();
            t.account = "walker";
            t.password = "trail-42";
            return t;
        };
        return env;
    }
    QByteArray Fetch(const QString& path) {
        QNetworkAccessManager net;
        std::unique_ptr<QNetworkReply> reply(net.get(
            QNetworkRequest(QUrl(QStringLiteral("http://%1%2").arg(QString::fromStdString(host()), path)))));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000)) return {};
        return reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    }
    static QByteArray ReadAll(const QString& path) {
        return QByteArray::fromStdString(test::ReadFile(path.toStdString()));
    }
    static bool Loaded(BrowserPane* pane) { return !pane->IsLoading() && !pane->LocationUrl().isEmpty(); }
    // Clicks the first picture link of a picker page once it has loaded.
    static void ClickFirstPicture(PickerPage* page) {
        QVERIFY(QTest::qWaitFor([&] { return Loaded(page->browser()); }, 20000));
        QVERIFY(page->browser()->LocationUrl().endsWith(QLatin1String(".html")));
        // The page script may still be connecting to the program.
        QTest::qWait(300);
        page->browser()->page()->runJavaScript(
            QStringLiteral("document.querySelector('a[target=wizard]').click()"));
    }
    void Shot(QWidget* w, const char* name) {
        if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS"))
            w->grab().save(qEnvironmentVariable("SKYHARBOR_SHOTS") + QLatin1Char('/') + QLatin1String(name));
    }

private slots:
    void initTestCase() {
        sandbox_ = std::make_unique<test::Sandbox>();
        const QString data = QString::fromStdString(sandbox_->path("service"));
        QProcess add;
        add.start(
            QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH),
            {QStringLiteral("--data"), data, QStringLiteral("add-member"), QStringLiteral("walker"),
             QStringLiteral("trail-42"), QStringLiteral("the long walk"), QStringLiteral("w@example.org")});
        QVERIFY(add.waitForFinished(20000));
        QCOMPARE(add.exitCode(), 0);
        service_.start(
            QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH),
            {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--data"), data});
        QVERIFY(QTest::qWaitFor([&] { return service_.canReadLine(); }, 20000));
        const QString line = QString::fromUtf8(service_.readLine());
        const auto m = QRegularExpression(QStringLiteral(":(\\d+)\\s*$")).match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        port_ = m.captured(1).toInt();
        profile_.reset(BrowserProfile::Create());
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            boxes_ << text;
            titles_ << title;
            return answer_;
        });
        SetDialogHook([this](QDialog& d) { return onDialog_ ? onDialog_(d) : -1; });
    }
    void cleanupTestCase() {
        for (QWidget* w : QApplication::topLevelWidgets()) delete qobject_cast<CHomePageWizard*>(w);
        profile_.reset();
        service_.terminate();
        service_.waitForFinished(10000);
        sandbox_.reset();
    }
    void init() {
        boxes_.clear();
        titles_.clear();
        answer_ = true;
        onDialog_ = {};
    }

    // The simple wizard's page goes to the editor and, uploaded, comes back byte for byte.
    void simpleWizardPageUploadedAndFetchedBack() {
        QString editPath, editRemote;
        WizardEnv env = Env();
        env.openInEditor = [&](const QString& path, const QString& remote) {
            editPath = path;
            editRemote = remote;
        };
        CSimpleWizardSheet sheet(env);
        sheet.show();
        QCOMPARE(sheet.page1()->address()->text(),
                 QStringLiteral("http://%1/~walker").arg(QString::fromStdString(host())));
        QCheckBox* standard = sheet.page1()->standardName();
        QLineEdit* name = sheet.page1()->remoteName();
        QVERIFY(!name->isEnabled());
        standard->setChecked(false);
        QVERIFY(name->isEnabled());
        name->setText(QStringLiteral("mine.htm"));
        standard->setChecked(true);
        QCOMPARE(name->text(), QStringLiteral("index.htm"));
        QVERIFY(!name->isEnabled());

        QVERIFY(!sheet.button(QWizard::BackButton)->isEnabled() ||
                !sheet.button(QWizard::BackButton)->isVisible());
        sheet.next();
        sheet.page2()->title->setText(QStringLiteral("Walker & Co"));
        sheet.next();
        QVERIFY(sheet.button(QWizard::FinishButton)->isVisible());
        Shot(&sheet, "simple-wizard.png");
        sheet.button(QWizard::FinishButton)->click();

        QCOMPARE(editRemote, QStringLiteral("index.htm"));
        QCOMPARE(editPath, QString::fromStdString(sandbox_->path("Pages/")) + QFileInfo(editPath).fileName());
        const QByteArray page = ReadAll(editPath);
        // The texts land in their places, the title escaped as page text.
        QVERIFY(page.contains("<!--##TITLE##-->Walker &amp; Co<!--##ENDTITLE##-->"));
        QVERIFY(page.contains("<!--##SUBTITLE##-->MY PAGE<!--##ENDSUBTITLE##-->"));
        QVERIFY(page.contains("Please contact via Email"));
        QVERIFY(!page.contains("This is basic info for my page"));
        QVERIFY(page.contains(QByteArray::fromStdString(ServiceUrlForTest("/art/bwlogo.gif"))));

        QCOMPARE(UploadToWebSpace(nullptr, env, editPath, editRemote), 0);
        QCOMPARE(Fetch(QStringLiteral("/~walker/index.htm")), page);

        // Without a login nothing is sent.
        QCOMPARE(UploadToWebSpace(nullptr, Env(false), editPath, QStringLiteral("other.htm")), -1);
        QCOMPARE(boxes_, QStringList{QStringLiteral("You must be logged in !")});
        QCOMPARE(titles_, QStringList{QStringLiteral("Upload Error")});
        QVERIFY(Fetch(QStringLiteral("/~walker/other.htm")).isEmpty());
    }

    // The whole home page wizard: pictures from the "wizard" target, colours,
    // links, the preview's commands and the sheet that re-edits the page.
    void homePageWizardEndToEnd() {
        auto* wizard = CHomePageWizard::Open(Env(), CHomePageWizard::Mode::Wizard, nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(wizard));
        auto* user = wizard->find<CUserInfoPage>();
        QCOMPARE(wizard->current(), user);
        QVERIFY(!wizard->backButton()->isEnabled());
        user->name->setText(QStringLiteral("Ann"));
        user->occupation->setText(QStringLiteral("Pilot"));
        wizard->Next();

        auto* backgrounds = wizard->find<CBackgroundsPage>();
        QCOMPARE(wizard->current(), backgrounds);
        ClickFirstPicture(backgrounds);
        QTRY_COMPARE_WITH_TIMEOUT(backgrounds->selection()->text(),
                                  QStringLiteral("Current Selection: Cream paper"), 10000);
        QCOMPARE(QString::fromStdString(wizard->page().background),
                 QString::fromStdString("http://" + host() + "/wiz/img/bg-paper.gif"));
        // The browser stayed on the picture page.
        QVERIFY(backgrounds->browser()->LocationUrl().endsWith(QLatin1String("backgrounds.html")));

        // A solid colour drops the picture; the text colour comes from the colour dialog.
        backgrounds->ChooseSolidColor();
        QCOMPARE(backgrounds->selection()->text(), QStringLiteral("Current Selection: Solid Color"));
        QVERIFY(wizard->page().background.empty());
        QTRY_VERIFY_WITH_TIMEOUT(Loaded(backgrounds->colours()), 20000);
        QString asked;
        onDialog_ = [&](QDialog& d) {
            asked = d.objectName();
            static_cast<QColorDialog&>(d).setCurrentColor(QColor(0x12, 0x34, 0xab));
            return int(QDialog::Accepted);
        };
        QTest::qWait(300);
        backgrounds->colours()->page()->runJavaScript(
            QStringLiteral("document.querySelector('input[name=B2]').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(wizard->page().linkColor), QStringLiteral("#1234AB"),
                                  10000);
        QCOMPARE(asked, QStringLiteral("ColorDialog"));
        QCOMPARE(QString::fromStdString(wizard->page().textColor), QStringLiteral("000000"));
        onDialog_ = {};
        Shot(wizard, "home-page-wizard-backgrounds.png");

        wizard->Next();
        auto* separators = wizard->find<CSeparatorPage>();
        ClickFirstPicture(separators);
        QTRY_VERIFY_WITH_TIMEOUT(wizard->separatorImage.endsWith(QLatin1String(".gif")), 10000);
        QVERIFY(wizard->separatorImage.contains(QLatin1String("/wiz/img/sep-")));
        wizard->Next();
        ClickFirstPicture(wizard->find<CBulletsPage>());
        QTRY_VERIFY_WITH_TIMEOUT(wizard->bulletImage.contains(QLatin1String("/wiz/img/bullet-")), 10000);
        QVERIFY(!wizard->bulletImage.contains(QLatin1Char('?')));

        wizard->Next();
        auto* links = wizard->find<CLinksPage>();
        links->description->setText(QStringLiteral("Harbor"));
        links->address->setText(QStringLiteral("WWW.example.org/harbor"));
        links->AddLink();
        links->description->setText(QStringLiteral("Gone"));
        links->address->setText(QStringLiteral("ftp://example.org/"));
        links->AddLink();
        QCOMPARE(links->list()->topLevelItem(0)->text(1), QStringLiteral("http://WWW.example.org/harbor"));
        QCOMPARE(links->list()->topLevelItem(1)->text(1), QStringLiteral("ftp://example.org/"));
        links->list()->setCurrentItem(links->list()->topLevelItem(1));
        answer_ = false;
        links->DeleteLink();
        QCOMPARE(links->list()->topLevelItemCount(), 2);
        answer_ = true;
        links->DeleteLink();
        QCOMPARE(links->list()->topLevelItemCount(), 1);
        QCOMPARE(titles_.last(), QStringLiteral("Confirm Delete"));
        QVERIFY(boxes_.last().contains(QLatin1String("Gone")));

        wizard->Next();
        auto* preview = wizard->find<CPreviewHomePage>();
        QCOMPARE(wizard->current(), preview);
        QVERIFY(wizard->finishButton()->isVisible());
        QVERIFY(!wizard->nextButton()->isVisible());
        QCOMPARE(wizard->windowTitle(), QStringLiteral("Ann's Home Page"));
        QTRY_VERIFY_WITH_TIMEOUT(Loaded(preview->browser()), 20000);
        const QByteArray working = ReadAll(wizard->workingFile());
        QVERIFY(working.contains(wizard->separatorImage.toUtf8()));
        QVERIFY(working.contains("My Occupation: Pilot"));
        QVERIFY(working.contains(wizard->bulletImage.toUtf8()));
        QVERIFY(working.contains("http://WWW.example.org/harbor"));
        QVERIFY(!working.contains("ftp://example.org/"));
        QVERIFY(working.contains("LINK=#1234AB"));
        QVERIFY(working.startsWith("<!--Begin Heading Block-->\r\n"));
        // The local page shows the service's pictures.
        int pictures = -1;
        QTRY_VERIFY_WITH_TIMEOUT(
            (preview->browser()->page()->runJavaScript(
                 QStringLiteral("Array.from(document.images).filter(i => i.naturalWidth > 0).length"),
                 QWebEngineScript::ApplicationWorld, [&](const QVariant& v) { pictures = v.toInt(); }),
             pictures == 2),
            10000);
        Shot(wizard, "home-page-wizard-preview.png");

        boxes_.clear();
        preview->SaveForTest();
        const QString test = QString::fromStdString(sandbox_->path("Pages/test.htm"));
        QCOMPARE(boxes_, QStringList{QStringLiteral("File saved as %1 for test purposes").arg(test)});
        QCOMPARE(ReadAll(test), working);

        boxes_.clear();
        preview->Upload();
        QCOMPARE(boxes_, QStringList{QStringLiteral("Done")});
        QCOMPARE(Fetch(QStringLiteral("/~walker/index.htm")), working);

        // Continue editing: the page is saved and a sheet opens on its contents.
        QPointer<CHomePageWizard> first = wizard;
        preview->ContinueEditing();
        QTRY_VERIFY(!first || !first->isVisible());
        CHomePageWizard* sheet = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<CHomePageWizard*>(w); s && s->isVisible() && s != first) sheet = s;
        QVERIFY(sheet);
        QCOMPARE(sheet->mode(), CHomePageWizard::Mode::Sheet);
        QCOMPARE(sheet->windowTitle(), QStringLiteral("Sky Harbor Home Page Wizard"));
        auto* content = sheet->find<CContentPage>();
        QCOMPARE(sheet->current(), content);
        QVERIFY(!sheet->find<CUserInfoPage>() && !sheet->find<CLinksPage>());
        QCOMPARE(ReadAll(CHomePageWizard::SavedPagePath()), working);
        // Title, occupation, one link and the closing text, read back from the file.
        QCOMPARE(content->list()->count(), 4);
        QCOMPARE(content->list()->item(0)->text(), QStringLiteral("Title: Ann's Home Page"));
        QCOMPARE(content->list()->item(2)->text(), QStringLiteral("Link: Harbor"));
        QCOMPARE(QString::fromStdString(sheet->page().linkColor), QStringLiteral("#1234AB"));
        Shot(sheet, "home-page-wizard-content.png");

        // A new picture item is kept when another item is chosen, and can move up.
        content->AddItem(QStringLiteral("Graphic"));
        QCOMPARE(content->list()->currentRow(), 4);
        sheet->findChild<QLineEdit*>(QStringLiteral("GraphicAddress"))->setText(QStringLiteral("me.gif"));
        content->list()->setCurrentRow(0);
        QCOMPARE(content->list()->item(4)->text(), QStringLiteral("Graphic: me.gif"));
        content->list()->setCurrentRow(4);
        content->MoveItem(-1);
        QCOMPARE(content->list()->item(3)->text(), QStringLiteral("Graphic: me.gif"));
        QCOMPARE(content->list()->currentRow(), 3);
        content->DeleteItem();
        QCOMPARE(content->list()->count(), 4);
        QCOMPARE(content->list()->item(3)->text(), QStringLiteral("Text: "));

        // An edited title reaches the preview.
        content->list()->setCurrentRow(0);
        sheet->findChild<QLineEdit*>(QStringLiteral("TitleText"))->setText(QStringLiteral("Ann Flies"));
        content->Apply();
        QCOMPARE(content->list()->item(0)->text(), QStringLiteral("Title: Ann Flies"));
        auto* sheetPreview = sheet->find<CPreviewHomePage>();
        sheet->ShowPage(sheetPreview);
        QVERIFY(ReadAll(sheet->workingFile()).contains("Ann Flies</FONT>"));
        QCOMPARE(sheet->windowTitle(), QStringLiteral("Ann's Home Page"));

        // Exit without saving asks first.
        answer_ = false;
        sheetPreview->ExitWithoutSaving();
        QVERIFY(sheet->isVisible());
        QCOMPARE(titles_.last(), QStringLiteral("Exit without Saving"));
        QCOMPARE(boxes_.last(), QStringLiteral("Are you sure?"));
        answer_ = true;
        QPointer<CHomePageWizard> gone = sheet;
        sheetPreview->ExitWithoutSaving();
        QTRY_VERIFY(!gone);
    }

private:
    std::string ServiceUrlForTest(const char* path) const { return "http://" + host() + path; }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiWizardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_wizard_test.moc"
