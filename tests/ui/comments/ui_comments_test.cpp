// The discussion pages of the real member service, driven as a reader would:
// a command link opens the dialog, OK shows the service's answer in place.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <memory>

#include "core/base/settings_store.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "support/service_peer.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/sky_web_page.h"
#include "ui/comments/comment_dialogs.h"
#include "ui/service/login_dialog.h"
#include "ui/service/member_session.h"

using namespace sky;
using namespace sky::ui;

class UiCommentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<test::ServicePeer> peer_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;
    // Fills and answers the comment dialogs; others are declined.
    std::function<int(QDialog&)> onDialog_;

    CK7View* mainView() { return app_->frame()->context().browser->MainBrowserView(); }
    void LoadAndWait(BrowserPane* pane, const QString& url) {
        pane->NavigateUrl(QUrl(url));
        QTRY_VERIFY_WITH_TIMEOUT(pane->LocationUrl().startsWith(url), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!pane->IsLoading(), 15000);
        // The page script reports links once its channel is up.
        QTest::qWait(300);
    }
    QString Html(BrowserPane* pane) {
        QString html;
        bool done = false;
        pane->page()->toHtml([&](const QString& h) {
            html = h;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) return {};
        return html;
    }
    void Click(BrowserPane* pane, const QString& href) {
        pane->page()->runJavaScript(
            QStringLiteral("document.querySelector('a[href=\"%1\"]').click()").arg(href));
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        peer_ = std::make_unique<test::ServicePeer>(QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH), *sandbox_);
        QVERIFY(peer_->WaitUntilUp());
        boxes_.clear();
        onDialog_ = {};
        peer_->Configure(*sandbox_);
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return false;
        });
        SetDialogHook(
            [this](QDialog& dialog) { return onDialog_ ? onDialog_(dialog) : int(QDialog::Rejected); });
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
    }
    void cleanup() {
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        peer_.reset();
        sandbox_.reset();
    }

    void topicAndCommentLinksPostThroughTheCarryingBrowser() {
        const QString topics = peer_->base() + QStringLiteral("/scripts/show.dll?Topics");
        // A first topic in category 12 gives the page its "New topic here" link there.
        LoadAndWait(mainView(),
                    peer_->base() + QStringLiteral("/scripts/show.dll?AddTopic&C=12&O=seed&DESC=Seed"));
        LoadAndWait(mainView(), topics);

        int topicDialogs = 0;
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* d = qobject_cast<AddTopicDialog*>(&dialog);
            if (!d) return QDialog::Rejected;
            ++topicDialogs;
            QTimer::singleShot(0, d, [d] {
                d->description->setText(QStringLiteral("Tea & cakes at 5?"));
                d->longDescription->setPlainText(QStringLiteral("100% butter, #1 + jam=yes"));
                d->accept();
            });
            return -1;
        };
        Click(mainView(), QStringLiteral("command:commentaddtopic:12"));
        QTRY_VERIFY_WITH_TIMEOUT(mainView()->LocationUrl().contains(QLatin1String("AddTopic&C=12&O=guest")),
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
        QCOMPARE(topicDialogs, 1);
        QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('|')));
        // The service's answer: the new topic's page with both fields whole.
        QTRY_COMPARE_WITH_TIMEOUT(mainView()->PageTitle(), QStringLiteral("Tea & cakes at 5?"), 10000);
        QString answer = Html(mainView());
        QVERIFY2(answer.contains(QLatin1String("100% butter, #1 + jam=yes")), qPrintable(answer));
        QVERIFY(answer.contains(QLatin1String("Started by guest")));

        // The list files it under category 12, beside the seed.
        LoadAndWait(mainView(), topics);
        QString list = Html(mainView());
        int category = list.indexOf(QLatin1String("Category 12"));
        QVERIFY(category >= 0);
        QVERIFY(list.indexOf(QLatin1String("Tea &amp; cakes at 5?"), category) > category);

        // A comment with a link, on the seed topic (number 1).
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* d = qobject_cast<AddCommentDialog*>(&dialog);
            if (!d) return QDialog::Rejected;
            QTimer::singleShot(0, d, [d] {
                d->heading->setText(QStringLiteral("Me too"));
                d->text->setPlainText(QStringLiteral("a&b c"));
                d->attachUrl->setText(QStringLiteral("http://pics.example/off.png"));  // box not ticked
                d->withLink->setChecked(true);
                d->linkUrl->setText(QStringLiteral("http://recipes.example/scones?x=1&y=2"));
                d->linkDescription->setText(QStringLiteral("Scones"));
                d->accept();
            });
            return -1;
        };
        Click(mainView(), QStringLiteral("command:commentaddcomment:1"));
        QTRY_VERIFY_WITH_TIMEOUT(mainView()->LocationUrl().contains(QLatin1String("AddComment&T=1")), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(mainView()->PageTitle(), QStringLiteral("Seed"), 10000);
        answer = Html(mainView());
        QVERIFY2(answer.contains(QLatin1String("<h2>Me too</h2><p>a&amp;b c</p>")), qPrintable(answer));
        QVERIFY(answer.contains(QLatin1String("http://recipes.example/scones?x=1&amp;y=2")));
        QVERIFY(!answer.contains(QLatin1String("pics.example")));

        // A word of neither kind is still unknown.
        mainView()->page()->runJavaScript(QStringLiteral("window.open('command:commentary', '_skycmd')"));
        QTRY_COMPARE_WITH_TIMEOUT(
            boxes_, QStringList{QStringLiteral("Unknown SkyCommand Encountered: \n\nCommand[commentary]")},
            10000);
    }

    void loggedInMemberPostsUnderTheirName() {
        QProcess add;
        add.start(QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH),
                  {QStringLiteral("--data"), QString::fromStdString(sandbox_->path("peer-data")),
                   QStringLiteral("add-member"), QStringLiteral("walker"), QStringLiteral("trail-42"),
                   QStringLiteral("the long walk"), QStringLiteral("w@example.org")});
        QVERIFY(add.waitForFinished(20000));
        QCOMPARE(add.exitCode(), 0);
        onDialog_ = [&](QDialog& dialog) -> int {
            if (auto* login = qobject_cast<CLoginDlg*>(&dialog)) {
                QTimer::singleShot(0, login, [login] {
                    login->accountEdit()->setText(QStringLiteral("walker"));
                    login->passwordEdit()->setText(QStringLiteral("trail-42"));
                    login->accept();
                });
                return -1;
            }
            auto* d = qobject_cast<AddTopicDialog*>(&dialog);
            if (!d) return QDialog::Rejected;
            QTimer::singleShot(0, d, [d] {
                d->description->setText(QStringLiteral("Walks"));
                d->accept();
            });
            return -1;
        };
        QVERIFY(app_->frame()->context().session().RunLogin());
        LoadAndWait(mainView(), peer_->base() + QStringLiteral("/scripts/show.dll?Topics"));
        Click(mainView(), QStringLiteral("command:commentaddtopic:0"));
        QTRY_COMPARE_WITH_TIMEOUT(mainView()->PageTitle(), QStringLiteral("Walks"), 15000);
        QVERIFY(Html(mainView()).contains(QLatin1String("Started by walker")));
    }

    void tooLongTextKeepsTheDialogOpen() {
        AddTopicDialog d("127.0.0.1:1", 3, QStringLiteral("guest"));
        d.description->setText(QStringLiteral("x"));
        d.longDescription->setPlainText(QString(3000, QLatin1Char('a')));
        d.show();
        d.accept();
        QCOMPARE(boxes_.size(), 1);
        QVERIFY(d.isVisible());
        QVERIFY(d.request().empty());
        d.longDescription->setPlainText(QStringLiteral("short"));
        d.accept();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(QString::fromStdString(d.request())
                    .endsWith(QLatin1String("&C=3&O=guest&AP=x&PP=x&DESC=x&LDESC=short")));
    }
};

QTEST_MAIN(UiCommentsTest)
#include "ui_comments_test.moc"
