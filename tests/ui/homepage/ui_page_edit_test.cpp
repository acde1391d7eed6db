// The page editor in the running program, uploading to its embedded member
// service.
#include <QColorDialog>
#include <QDialog>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <memory>

#include "core/base/atomic_file.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "member_service/member_service.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/sky_web_page.h"
#include "ui/homepage/page_edit_doc.h"
#include "ui/homepage/page_edit_frame.h"
#include "ui/homepage/page_edit_pickers.h"
#include "ui/homepage/page_edit_tool.h"
#include "ui/homepage/page_edit_views.h"

using namespace sky;
using namespace sky::ui;

namespace {

const std::string kPage =
    "<HTML><BODY>\r\n"
    "<!--##HP:PLAIN~intro~0~##-->\r\n<P>Hello there</P>\r\n"
    "<!--##HP:PLAIN~links~1~##-->\r\n<A HREF=\"cmd.htm\" TARGET=\"_skycmd\" "
    "STYLE=\"position:absolute;left:0;top:0;width:400px;height:200px\">run</A>"
    "<A HREF=\"other.htm\" "
    "STYLE=\"position:absolute;left:0;top:250px;width:400px;height:200px\">elsewhere</A>\r\n</HTML>";

std::string Read(const std::string& path) {
    std::string text;
    ReadWholeFile(path, &text);
    return text;
}

}  // namespace

class UiPageEditTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;
    bool answerYes_ = true;

    AppContext& context() { return app_->frame()->context(); }
    CK7View* mainView() { return context().browser ? context().browser->MainBrowserView() : nullptr; }

    QByteArray Fetch(const QString& path) {
        QNetworkAccessManager net;
        std::unique_ptr<QNetworkReply> reply(net.get(QNetworkRequest(
            QUrl(QStringLiteral("http://%1%2").arg(QString::fromStdString(context().hosts().web), path)))));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000)) return {};
        return reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    }
    CPageEditFrame* OpenPage(const std::string& text) {
        const std::string path = GetDataDir("Pages") + "mine.htm";
        test::WriteFile(path, text);
        CPageEditFrame* editor =
            OpenPageEditor(context(), QString::fromStdString(path), QStringLiteral("walker"),
                           QStringLiteral("trail-42"), QStringLiteral("index.htm"));
        return editor;
    }
    // Asks the pane for its text; true once an answer holds `needle`.
    static bool Loaded(CPageEditFrame* editor, const QString& needle) {
        auto seen = std::make_shared<bool>(false);
        editor->browserView()->page()->toPlainText(
            [seen, needle](const QString& text) { *seen = text.contains(needle); });
        QTest::qWaitFor([seen] { return *seen; }, 300);
        return *seen;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        answerYes_ = true;
        SettingsStore::App().WriteInt("Service", "EmbeddedPort", 0);
        SettingsStore::App().WriteString("Startup", "Home", "about:blank");
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return answerYes_;
        });
        // Name prompts are taken as proposed.
        SetDialogHook([](QDialog& dialog) {
            return qobject_cast<QInputDialog*>(&dialog) ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QVERIFY(app_->embeddedService());
        std::string error;
        QVERIFY2(member::AddMember(JoinPath(DataRoot(), "MemberService"), "walker", "trail-42",
                                   "the long walk", "w@example.org", &error),
                 error.c_str());
    }
    void cleanup() {
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    // Moving to another part commits the one left: the file is written once,
    // the pane shows the new text; a faulty edit asks first, Undo restores.
    void commitRewritesOnceAndReloads() {
        CPageEditFrame* editor = OpenPage(kPage);
        QVERIFY(editor);
        auto* sub = qobject_cast<QMdiSubWindow*>(editor->parentWidget());
        QVERIFY(sub);
        QCOMPARE(sub->windowTitle(), QStringLiteral("index.htm - SkyEditUser [walker]"));
        QVERIFY(sub->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        editor->topMostAction()->trigger();
        QVERIFY(!sub->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(context().settings().GetInt("pageedit", "TopMost", 1), 0);
        QVERIFY(QTest::qWaitFor([&] { return Loaded(editor, QStringLiteral("Hello there")); }, 15000));
        const std::string path = editor->doc().path().toStdString();
        const std::string original = Read(path);

        CPageEditPartsView* parts = editor->partsView();
        // The text before the first marker is kept but not listed.
        QCOMPARE(parts->topLevelItemCount(), 2);
        QSignalSpy written(&editor->doc(), &CPageEditDoc::pageChanged);
        parts->setCurrentItem(parts->ItemOf(1));
        auto* html = editor->detailView()->editor()->findChild<QPlainTextEdit*>(QStringLiteral("html"));
        QVERIFY(html);
        html->setPlainText(
            html->toPlainText().replace(QStringLiteral("Hello there"), QStringLiteral("Fresh words")));
        const int loads = editor->browserView()->loads();
        parts->setCurrentItem(parts->ItemOf(2));
        QCOMPARE(written.count(), 1);
        QCOMPARE(editor->browserView()->loads(), loads + 1);
        QVERIFY(Read(path).find("Fresh words") != std::string::npos);
        QVERIFY(QTest::qWaitFor([&] { return Loaded(editor, QStringLiteral("Fresh words")); }, 15000));
        // Selecting away from an untouched part writes nothing.
        parts->setCurrentItem(parts->ItemOf(1));
        QCOMPARE(written.count(), 1);

        // A second marker inside a part would split it on the next read.
        html = editor->detailView()->editor()->findChild<QPlainTextEdit*>(QStringLiteral("html"));
        html->setPlainText(html->toPlainText() + QStringLiteral("<!--##HP:PLAIN~x~0~##-->"));
        answerYes_ = false;
        parts->setCurrentItem(parts->ItemOf(2));
        QCOMPARE(boxes_.size(), 1);
        QVERIFY(boxes_[0].contains(QLatin1String("Keep it anyway?")));
        QCOMPARE(written.count(), 1);

        QVERIFY(editor->detailView()->CanUndo());
        editor->detailView()->Undo();
        QCOMPARE(Read(path), original);
        QVERIFY(!editor->detailView()->CanUndo());
    }

    // The pane never leaves its page: a link goes to the main browser, a
    // command link nowhere.
    void linksOpenInTheMainBrowser() {
        CPageEditFrame* editor = OpenPage(kPage);
        QVERIFY(editor);
        editor->findChild<QSplitter*>()->setSizes({560, 200});
        QVERIFY(QTest::qWaitFor([&] { return Loaded(editor, QStringLiteral("elsewhere")); }, 15000));
        QVERIFY(QTest::qWaitFor([&] { return mainView() != nullptr; }, 10000));
        const QUrl shown = editor->browserView()->url();
        QWidget* surface = editor->browserView()->focusProxy();
        QVERIFY(surface);
        QSignalSpy visited(mainView()->engine(), &QWebEngineView::urlChanged);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 100));
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 350));
        QVERIFY(QTest::qWaitFor(
            [&] { return mainView()->LocationUrl().endsWith(QLatin1String("/other.htm")); }, 15000));
        QCOMPARE(editor->browserView()->url(), shown);
        for (const QList<QVariant>& url : visited)
            QVERIFY2(!url[0].toUrl().path().endsWith(QLatin1String("cmd.htm")),
                     qPrintable(url[0].toString()));
    }

    // Only pages and pictures show in the main browser once uploaded.
    void uploadsShowPagesAndPicturesOnly() {
        CPageEditFrame* editor = OpenPage(kPage);
        QVERIFY(editor);
        QVERIFY(QTest::qWaitFor([&] { return mainView() != nullptr; }, 10000));
        QSignalSpy shown(editor, &CPageEditFrame::shownInMainBrowser);
        const std::string notes = sandbox_->path("notes.txt");
        test::WriteFile(notes, "just notes\n");
        editor->UploadChosen(QString::fromStdString(notes));
        QCOMPARE(editor->uploads(), 1);
        QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
        QCOMPARE(shown.count(), 0);

        const std::string logo = sandbox_->path("logo.GIF");
        test::WriteFile(logo, std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14));
        editor->UploadChosen(QString::fromStdString(logo));
        QCOMPARE(editor->uploads(), 2);
        QVERIFY(QTest::qWaitFor(
            [&] { return mainView()->LocationUrl().endsWith(QLatin1String("/~walker/logo.GIF")); }, 15000));
        QCOMPARE(shown.count(), 1);

        // The same name again is no new name.
        editor->SaveUnderNewName();
        QCOMPARE(editor->uploads(), 2);

        // The page itself goes up under its remote name.
        editor->SaveToWebsite();
        QVERIFY(QTest::qWaitFor([&] { return editor->uploads() == 3; }, 15000));
        QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
        QVERIFY(QTest::qWaitFor(
            [&] { return mainView()->LocationUrl().endsWith(QLatin1String("/~walker/index.htm")); }, 15000));
    }

    // "Save to my website..." takes the pictures beside the page along, and
    // says which references it would not follow out of the page's folder.
    void publishingTakesThePicturesAlong() {
        const std::string gif("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
        test::WriteFile(GetDataDir("Pages") + "pic.gif", gif);
        CPageEditFrame* editor = OpenPage(
            "<HTML><BODY BACKGROUND=pic.gif><IMG SRC=\"pic.gif\"><IMG "
            "SRC=\"../secret.gif\"></BODY>\r\n</HTML>");
        QVERIFY(editor);
        QVERIFY(QTest::qWaitFor([&] { return mainView() != nullptr; }, 10000));
        editor->SaveToWebsite();
        QVERIFY(QTest::qWaitFor([&] { return editor->uploads() == 1; }, 15000));
        QCOMPARE(boxes_.size(), 1);
        QVERIFY2(boxes_[0].contains(QLatin1String("Sent pic.gif")) &&
                     boxes_[0].contains(QLatin1String("../secret.gif was not sent")),
                 qPrintable(boxes_[0]));
        QCOMPARE(Fetch(QStringLiteral("/~walker/pic.gif")), QByteArray::fromStdString(gif));
        QVERIFY(Fetch(QStringLiteral("/~walker/index.htm")).contains("pic.gif"));
        QVERIFY(QTest::qWaitFor(
            [&] { return mainView()->LocationUrl().endsWith(QLatin1String("/~walker/index.htm")); }, 15000));
    }

    // The service's pickers answer through their target frames: a template
    // from "select" opens in a new editor, a background from "wizard" goes
    // into the colour scheme at once.
    void templateAndBackgroundPickers() {
        QStringList asked;
        SetDialogHook([&](QDialog& dialog) {
            asked << dialog.objectName();
            if (auto* colours = qobject_cast<QColorDialog*>(&dialog)) {
                colours->setCurrentColor(QColor(1, 2, 255));
                colours->accept();
                return int(QDialog::Accepted);
            }
            auto* picker = qobject_cast<ServicePickerDialog*>(&dialog);
            if (!picker) return -1;
            const QString target = dialog.objectName().mid(dialog.objectName().indexOf(':') + 1);
            connect(picker->page(), &QWebEnginePage::loadFinished, picker, [picker, target](bool) {
                picker->page()->runJavaScript(
                    QStringLiteral("document.querySelector('a[target=%1]').click()").arg(target));
            });
            return -1;
        });
        ChooseTemplate(context());
        QCOMPARE(asked.value(0), QStringLiteral("picker:select"));
        CPageEditFrame* editor = nullptr;
        for (QMdiSubWindow* sub : app_->frame()->mdiArea()->subWindowList())
            if (auto* e = qobject_cast<CPageEditFrame*>(sub->widget())) editor = e;
        QVERIFY(editor);
        QCOMPARE(editor->doc().remoteName(), QStringLiteral("index.htm"));
        QVERIFY(editor->doc().path().startsWith(QString::fromStdString(GetDataDir("Pages"))));
        CPageEditPartsView* parts = editor->partsView();
        QStringList names;
        for (int i = 0; i < parts->topLevelItemCount(); ++i) names << parts->topLevelItem(i)->text(0);
        QVERIFY2(
            names.contains(QStringLiteral("Title Block")) && names.contains(QStringLiteral("Color Scheme")),
            qPrintable(names.join(',')));

        QSignalSpy written(&editor->doc(), &CPageEditDoc::pageChanged);
        parts->setCurrentItem(parts->topLevelItem(names.indexOf(QStringLiteral("Color Scheme"))));
        auto* background =
            editor->detailView()->editor()->findChild<QPushButton*>(QStringLiteral("background"));
        QVERIFY(background);
        background->click();
        QCOMPARE(asked.value(1), QStringLiteral("picker:wizard"));
        QCOMPARE(written.count(), 1);
        const std::string page = Read(editor->doc().path().toStdString());
        QVERIFY2(page.find("BACKGROUND=http://" + context().hosts().web + "/wiz/img/") != std::string::npos &&
                     page.find(".gif BGCOLOR=") != std::string::npos,
                 page.c_str());
        editor->detailView()->editor()->findChild<QPushButton*>(QStringLiteral("Text Color..."))->click();
        QCOMPARE(written.count(), 2);
        QVERIFY(Read(editor->doc().path().toStdString()).find(" TEXT=#0102FF ") != std::string::npos);
    }

    // What would not read back as the same single part.
    void htmlProblems() {
        using homepage::BlockKind;
        QVERIFY(HtmlProblem(BlockKind::Html, "<!--##HP:PLAIN~a~0~##-->\r\n<P>fine <!-- a note --></P>")
                    .isEmpty());
        QVERIFY(HtmlProblem(BlockKind::Unmarked, "<HTML><BODY>3 < 4 and 5 > 2").isEmpty());
        QVERIFY(
            !HtmlProblem(BlockKind::Html, "<!--##HP:PLAIN~a~0~##--><P>x<!--##HP:PLAIN~b~0~##-->").isEmpty());
        QVERIFY(!HtmlProblem(BlockKind::Html, "<P>lost its marker</P>").isEmpty());
        QVERIFY(!HtmlProblem(BlockKind::Wizard, "<!--##HP:WIZARD~w~0~##--><P>open <!-- note").isEmpty());
        QVERIFY(!HtmlProblem(BlockKind::Unmarked, "<P>an <A HREF=\"x\" unclosed").isEmpty());
    }
};

QTEST_MAIN(UiPageEditTest)
#include "ui_page_edit_test.moc"
