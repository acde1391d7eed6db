// The ad pane of the running program with the real member service as its ad host.
#include <QDialog>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

#include "core/base/settings_store.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "support/service_peer.h"
#include "ui/adbox/info_box.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"

using namespace sky;
using namespace sky::ui;

class UiAdBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<test::ServicePeer> peer_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;

    CMainFrame* frame() { return app_->frame(); }
    CK7View* mainView() { return frame()->context().browser->MainBrowserView(); }
    QDockWidget* pane() { return frame()->findChild<QDockWidget*>(QStringLiteral("AdBox")); }
    CInfoBox* box() { return frame()->findChild<CInfoBox*>(); }

    void StartProgram(int rotate, int delay) {
        SettingsStore& s = SettingsStore::App();
        s.WriteInt("infobox", "rotate", rotate);
        s.WriteInt("infobox", "delay", delay);
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
    }
    // Runs `js` in the box's own world (its pages run no script of their own).
    QVariant Eval(QWebEnginePage* page, const QString& js) {
        QVariant result;
        bool done = false;
        page->runJavaScript(js, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) return {};
        return result;
    }
    QString AdText() {
        return Eval(box()->view()->page(), QStringLiteral("document.body ? document.body.innerText : ''"))
            .toString();
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        peer_ = std::make_unique<test::ServicePeer>(QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH), *sandbox_);
        QVERIFY(peer_->WaitUntilUp());
        peer_->Configure(*sandbox_);
        SetMessageHook([](MessageKind, const QString&, const QString&) { return false; });
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
    }
    void cleanup() {
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        peer_.reset();
        sandbox_.reset();
    }

    void adShowsUnderTheChannelBarAndItsLinkOpensInTheMainBrowser() {
        StartProgram(1, 5);
        QVERIFY(box());
        // "delay" 5 turns rotation off although "rotate" is 1: no ad comes by itself.
        QVERIFY(!box()->timerActive());
        QVERIFY(!pane()->isVisible());
        QVERIFY(box()->Fetch());
        QTRY_VERIFY_WITH_TIMEOUT(pane()->isVisible(), 15000);
        QCOMPARE(box()->view()->url(), box()->adFileUrl());
        QVERIFY(!box()->adFileUrl().toLocalFile().startsWith(sandbox_->home().c_str()));
        QTRY_VERIFY_WITH_TIMEOUT(!AdText().isEmpty(), 10000);
        QDockWidget* channels = frame()->findChild<QDockWidget*>(QStringLiteral("ChannelBar"));
        QCOMPARE(frame()->dockWidgetArea(pane()), frame()->dockWidgetArea(channels));
        QVERIFY(pane()->geometry().top() >= channels->geometry().bottom());

        // A real click on the ad's link.
        QVariantList rect =
            Eval(box()->view()->page(),
                 QStringLiteral("(function(){var r=document.querySelector('a').getClientRects()[0];"
                                "return [r.left+r.width/2, r.top+r.height/2];})()"))
                .toList();
        QCOMPARE(rect.size(), 2);
        QString target =
            Eval(box()->view()->page(), QStringLiteral("document.querySelector('a').href")).toString();
        QVERIFY2(target.startsWith(peer_->base()), qPrintable(target));
        QWidget* surface = box()->view()->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(rect[0].toInt(), rect[1].toInt()));
        QTRY_COMPARE_WITH_TIMEOUT(mainView()->LocationUrl(), target, 15000);
        QCOMPARE(box()->view()->url(), box()->adFileUrl());

        // The View menu hides the pane and brings it back.
        QAction* toggle = frame()->context().registry().action(QStringLiteral("adbox.toggle"));
        QVERIFY(toggle && toggle->isChecked());
        toggle->trigger();
        QTRY_VERIFY(!pane()->isVisible());
        toggle->trigger();
        QTRY_VERIFY(pane()->isVisible());
    }

    void failedFetchLeavesTheLastAd() {
        StartProgram(1, 10);
        QVERIFY(box()->timerActive());
        // The first tick brings the first ad.
        QTRY_COMPARE_WITH_TIMEOUT(box()->fetchesDone(), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(pane()->isVisible(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!AdText().isEmpty(), 10000);
        // The next fetch brings the next ad of the rotation.
        QString first = AdText();
        QVERIFY(box()->Fetch());
        QTRY_COMPARE_WITH_TIMEOUT(box()->fetchesDone(), 2, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!AdText().isEmpty() && AdText() != first, 10000);
        QString last = AdText();

        peer_->Stop();
        QVERIFY(box()->Fetch());
        QTRY_COMPARE_WITH_TIMEOUT(box()->fetchesFailed(), 1, 30000);
        QCOMPARE(box()->fetchesDone(), 2);
        QCOMPARE(box()->view()->url(), box()->adFileUrl());
        QCOMPARE(AdText(), last);
        QVERIFY(pane()->isVisible());
    }
};

QTEST_MAIN(UiAdBoxTest)
#include "ui_adbox_test.moc"
