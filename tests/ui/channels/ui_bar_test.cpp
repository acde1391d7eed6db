#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <filesystem>
#include <memory>

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/sky_web_page.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/local_sheet.h"
#include "ui/channels/sub_channel_view.h"

using namespace sky;
using namespace sky::ui;

namespace {

class FakeHost : public BrowserHost {
public:
    bool introOption = false;
    std::string webHost = ServiceConfig::EmbeddedHosts(ServiceConfig::kDefaultPort).web;
    SettingsStore* settings = nullptr;  // null: SettingsStore::App()
    SettingsStore& Settings() const override { return settings ? *settings : SettingsStore::App(); }
    std::string WebHost() const override { return webHost; }
    QWebEngineProfile* profile = nullptr;
    QWebEngineProfile* Profile() const override { return profile; }
    void RunMainFilterAction(BrowserPane*, const MainFilterResult&) override {}
    bool HandleCommandLink(BrowserPane*, const QUrl&, const QString&) override { return false; }
    SkyWebPage* OpenRequestedPopup(BrowserPane*, const QString&) override { return nullptr; }
    void SetActivity(bool) override {}
    bool ChannelIntroOption() const override { return introOption; }
    QString Account() const override { return QStringLiteral("sampleid"); }
    void HandleAddress(const QString&, bool) override {}
};

// Channels: "First" (one page), "My News" (page, folder of two, empty folder,
// an entry whose URL starts with "_"), "Bare" (no entries).
void BuildList(CChannelList& list) {
    CChannelItem* first = list.AppendChannel("First");
    CChannelList::AppendChild(first, "Home", "http://first.example/");
    CChannelItem* news = list.AppendChannel("My News");
    CChannelList::AppendChild(news, "Front", "http://news.example/front");
    CChannelItem* papers = CChannelList::AppendChild(news, "Papers", std::string(kFolderMark));
    CChannelList::AppendChild(papers, "Morning", "http://news.example/morning");
    CChannelList::AppendChild(papers, "Evening", "http://news.example/evening");
    CChannelList::AppendChild(news, "Nothing", std::string(kDesignerFolderMark));
    CChannelItem* odd = CChannelList::AppendChild(news, "Odd", "_elsewhere");
    CChannelList::AppendChild(odd, "Inside", "http://news.example/inside");
    list.AppendChannel("Bare");
}

}  // namespace

class UiChannelBarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<QWebEngineProfile> profile_;
    FakeHost host_;
    QStringList boxes_;

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        // One for the whole run: deleted between tests, its late writes race the sandbox removal.
        if (!profile_) profile_.reset(BrowserProfile::Create());
        host_ = FakeHost();
        host_.profile = profile_.get();
        boxes_.clear();
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return false;
        });
    }
    void cleanup() {
        SetMessageHook({});
        sandbox_.reset();
    }

    void rowsRememberWhereTheUserWas() {
        CChannelList main, local;
        BuildList(main);
        CSubChannelView view(&host_);
        view.SetLists(&main, &local);
        QSignalSpy opened(&view, &CSubChannelView::openAddress);
        auto last = [&] { return opened.isEmpty() ? QString() : opened.last().at(0).toString(); };

        view.ShowChannel(1);
        QCOMPARE(view.entryTabs()->count(), 4);
        QCOMPARE(last(), QStringLiteral("http://news.example/front"));
        QVERIFY(!view.pageTabs()->isVisibleTo(&view));
        view.ChooseEntry(1, false);
        QCOMPARE(view.pageTabs()->count(), 2);
        QCOMPARE(last(), QStringLiteral("http://news.example/morning"));
        view.ChoosePage(1, false);
        QCOMPARE(last(), QStringLiteral("http://news.example/evening"));

        // Leaving for another channel and coming back returns to the page the
        // user was on; the folder and its page are chosen again.
        view.RememberLeaving(QStringLiteral("http://news.example/evening#story"));
        view.ShowChannel(0);
        QCOMPARE(last(), QStringLiteral("http://first.example/"));
        view.RememberLeaving(QStringLiteral("http://first.example/deep"));  // the first channel forgets
        view.ShowChannel(1);
        QCOMPARE(last(), QStringLiteral("http://news.example/evening#story"));
        QCOMPARE(view.entryTabs()->currentIndex(), 1);
        QCOMPARE(view.pageTabs()->currentIndex(), 1);
        view.ShowChannel(0);
        QCOMPARE(last(), QStringLiteral("http://first.example/"));

        // A local file is never the place to return to: the page itself opens.
        view.ShowChannel(1);
        view.RememberLeaving(QStringLiteral("file:///home/me/page.htm"));
        view.ShowChannel(2);
        int before = opened.size();
        view.ShowChannel(1);
        QCOMPARE(opened.size(), before + 1);
        QCOMPARE(last(), QStringLiteral("http://news.example/evening"));

        // An empty folder shows "Empty !" and opens nothing; "_" entries are folders.
        before = opened.size();
        view.ChooseEntry(2, false);
        QCOMPARE(view.pageTabs()->count(), 1);
        QCOMPARE(view.pageTabs()->tabText(0), QStringLiteral("Empty !"));
        QCOMPARE(opened.size(), before);
        view.ChooseEntry(3, false);
        QCOMPARE(last(), QStringLiteral("http://news.example/inside"));

        // A channel without entries shows no tabs and opens nothing; an index
        // outside the list is ignored.
        before = opened.size();
        view.ShowChannel(2);
        QCOMPARE(view.entryTabs()->count(), 0);
        view.ShowChannel(7);
        QCOMPARE(view.currentChannel(), 2);
        QCOMPARE(opened.size(), before);
    }

    void introductionQueryOncePerChannel() {
        host_.introOption = true;
        SettingsStore::App().WriteString("Misc", "Cook", "12345");
        CChannelList main, local;
        BuildList(main);
        CSubChannelView view(&host_);
        view.SetLists(&main, &local);
        QSignalSpy opened(&view, &CSubChannelView::openAddress);
        view.ShowChannel(1);
        QString intro = opened.last().at(0).toString();
        QVERIFY2(intro.endsWith(QStringLiteral("/Scripts/channelx.dll?GetPage&IC=12345&U=sampleid"
                                               "&CHANNEL=My_News&SOURCE=srcSKYB3")),
                 qPrintable(intro));
        view.ChooseEntry(0, false);
        QCOMPARE(opened.last().at(0).toString(), QStringLiteral("http://news.example/front"));
        // Each choice from the entry list brings the introduction back; tabs do not.
        view.entryList()->activated(0);
        QCOMPARE(opened.last().at(0).toString(), intro);
        view.entryList()->activated(0);
        QCOMPARE(opened.last().at(0).toString(), intro);
        view.ChooseEntry(0, false);
        QCOMPARE(opened.last().at(0).toString(), QStringLiteral("http://news.example/front"));
    }

    void eachViewAsksItsOwnHost() {
        // Two programs' worth of hosts side by side: nothing comes from a global.
        SettingsStore::App().WriteString("Misc", "Cook", "12345");
        SettingsStore other(sandbox_->path("other.ini"));
        other.WriteString("Misc", "Cook", "777");
        FakeHost second = host_;
        second.settings = &other;
        second.webHost = "second.example:8";
        host_.introOption = second.introOption = true;
        host_.webHost = "first.example:7";
        CChannelList main, local;
        BuildList(main);
        CSubChannelView first(&host_), next(&second);
        first.SetLists(&main, &local);
        QSignalSpy openedFirst(&first, &CSubChannelView::openAddress);
        first.ShowChannel(0);
        QVERIFY2(openedFirst.last().at(0).toString().startsWith(
                     QStringLiteral("http://first.example:7/Scripts/channelx.dll?GetPage&IC=12345&")),
                 qPrintable(openedFirst.last().at(0).toString()));
        CChannelList main2, local2;
        BuildList(main2);
        next.SetLists(&main2, &local2);
        QSignalSpy openedNext(&next, &CSubChannelView::openAddress);
        next.ShowChannel(0);
        QVERIFY2(openedNext.last().at(0).toString().startsWith(
                     QStringLiteral("http://second.example:8/Scripts/channelx.dll?GetPage&IC=777&")),
                 qPrintable(openedNext.last().at(0).toString()));
    }

    void hintLineCyclesThroughFiveStates() {
        CChannelList main, local;
        BuildList(main);
        CSubChannelView view(&host_);
        view.SetLists(&main, &local);
        view.SetColours(Qt::gray, Qt::white, Qt::black, QColor(200, 200, 10));
        view.resize(600, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ShowChannel(0);
        view.SetIntroShown(true);
        QVERIFY(view.hintLine()->isVisible());
        // Where the shared counter stands is wherever other views left it.
        int start = ChannelHintLine::counter();
        const QStringList texts = {QStringLiteral("Click above to browse the pages in this channel !"),
                                   QStringLiteral("Click above for pages !"),
                                   QStringLiteral("CLICK UP HERE!"),
                                   QStringLiteral("Click above to browse the pages in this channel !"),
                                   QStringLiteral("Click-ay Up-ay Ere-hay !")};
        const QList<QColor> colours = {QColor(200, 200, 10), QColor(255, 64, 64), QColor(64, 255, 64),
                                       QColor(64, 255, 255), QColor(64, 64, 255)};
        for (int i = 0; i < 6; ++i) {
            view.hintLine()->repaint();
            int state = (start + i) % 5;
            QCOMPARE(view.hintLine()->lastText(), texts[state]);
            QCOMPARE(view.hintLine()->lastColour(), colours[state]);
        }
        view.SetIntroShown(false);
        QVERIFY(!view.hintLine()->isVisible());
    }

    void barTabsAndPlaces() {
        CChannelList source;
        BuildList(source);
        for (int i = 0; i < 20; ++i) source.AppendChannel("Extra " + std::to_string(i));
        QVERIFY(source.Save(MainChannelFilePath()));
        CChannelBar bar;
        bar.resize(180, 300);
        bar.show();
        bar.Fill();
        QCOMPARE(bar.channelTabCount(), 23);
        QCOMPARE(bar.channelTab(1)->text(), QStringLiteral("My News"));
        QSignalSpy places(&bar, &CChannelBar::placeChosen);
        QSignalSpy favourites(&bar, &CChannelBar::favoritesChosen);

        bar.placeTab(1)->click();
        QCOMPARE(places.last().at(0).toInt(), 1);
        QVERIFY(bar.placeTab(1)->isChecked());
        bar.channelTab(2)->click();
        QCOMPARE(places.last().at(0).toInt(), 6);
        QVERIFY(!bar.placeTab(1)->isChecked());
        QCOMPARE(bar.selectedChannel(), 2);
        bar.placeTab(2)->click();
        QCOMPARE(favourites.size(), 1);
        QCOMPARE(places.size(), 2);

        // One place lit at a time; the pane neither widens the bar nor leaves it changed.
        bar.SelectPlace(CChannelBar::kPlaceBrowse);
        const int narrowest = bar.minimumSizeHint().width();
        bar.ShowFavorites(true);
        auto lit = [&] {
            QList<int> on;
            for (int i = 0; i < 3; ++i)
                if (bar.placeTab(i)->isChecked()) on << i;
            return on;
        };
        QCOMPARE(lit(), QList<int>{2});
        QCOMPARE(bar.minimumSizeHint().width(), narrowest);
        bar.SelectPlace(CChannelBar::kPlaceLocal);
        QCOMPARE(lit(), QList<int>{2});
        bar.ShowFavorites(false);
        QCOMPARE(lit(), QList<int>{1});
        QCOMPARE(bar.minimumSizeHint().width(), narrowest);
        bar.channelTab(2)->click();
        QCOMPARE(places.size(), 3);

        // Refresh keeps the chosen tab; a place clears it.
        bar.mainList().AppendChannel("Added");
        bar.Refresh();
        QCOMPARE(bar.channelTabCount(), 24);
        QCOMPARE(bar.selectedChannel(), 2);
        bar.SelectPlace(CChannelBar::kPlaceBrowse);
        QCOMPARE(bar.selectedChannel(), -1);
        QVERIFY(bar.placeTab(0)->isChecked());

        // The scroll buttons move the tabs by one.
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(bar.firstVisibleTab(), 0);
        bar.findChild<QToolButton*>(QStringLiteral("ScrollDown"))->click();
        QCOMPARE(bar.firstVisibleTab(), 1);
        bar.findChild<QToolButton*>(QStringLiteral("ScrollDown"))->click();
        bar.findChild<QToolButton*>(QStringLiteral("ScrollUp"))->click();
        QCOMPARE(bar.firstVisibleTab(), 1);
    }

    void localSheetStoresZipAndDownloadsOnlyChannelFiles() {
        // The service's local page, served by a real web server.
        std::string site = sandbox_->path("site");
        std::filesystem::create_directories(site + "/~skylocal");
        test::WriteFile(site + "/~skylocal/local2.htm",
                        "<html><title>Local</title><body><a id=other href='other.htm'>Other</a> "
                        "<a id=file href='/areas/north.sky'>North</a></body></html>");
        test::WriteFile(site + "/~skylocal/other.htm",
                        "<html><title>Other</title><body><a id=file href='/areas/north.sky'>North</a>"
                        "</body></html>");
        std::filesystem::create_directories(site + "/areas");
        test::WriteFile(site + "/areas/north.sky",
                        "[Tab:local]\r\nPage0Label=Town\r\nPage0URL=http://town/\r\n");
        int port = test::FreePort();
        QProcess server;
        server.setWorkingDirectory(QString::fromStdString(site));
        server.start(QStringLiteral("python3"),
                     {QStringLiteral("-m"), QStringLiteral("http.server"), QString::number(port),
                      QStringLiteral("--bind"), QStringLiteral("127.0.0.1")});
        QVERIFY(server.waitForStarted());
        QVERIFY(test::WaitFor([&] {
            return QProcess::execute(
                       QStringLiteral("curl"),
                       {QStringLiteral("-sf"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("http://127.0.0.1:%1/areas/north.sky").arg(port)}) == 0;
        }));
        SettingsStore& s = SettingsStore::App();
        host_.webHost = "127.0.0.1:" + std::to_string(port);

        CLocalPropertySheet sheet(host_);
        sheet.show();
        QCOMPARE(sheet.page1()->zipField()->text(), QStringLiteral("00000"));
        QCOMPARE(sheet.page1()->zipField()->selectedText(), QStringLiteral("00000"));
        sheet.page1()->zipField()->setText(QStringLiteral("94103"));
        sheet.next();
        // Stored by Finish, not by the way through the sheet.
        QCOMPARE(s.GetString("local", "zip", "none"), std::string("none"));
        QVERIFY(!sheet.page2()->isComplete());

        QWebEngineView* web = sheet.page2()->browser()->engine();
        QVERIFY(QTest::qWaitFor([&] { return web->title() == QLatin1String("Local"); }, 20000));
        QCOMPARE(web->url().query(), QStringLiteral("zip=94103"));
        // A plain page is followed in the sheet.
        web->page()->runJavaScript(QStringLiteral("document.getElementById('other').click()"));
        QVERIFY(QTest::qWaitFor([&] { return web->title() == QLatin1String("Other"); }, 20000));
        QVERIFY(!std::filesystem::exists(LocalChannelFilePath()));
        // A channel file is stored as the local channel, not shown.
        web->page()->runJavaScript(QStringLiteral("document.getElementById('file').click()"));
        QVERIFY(QTest::qWaitFor([&] { return sheet.page2()->isComplete(); }, 20000));
        QCOMPARE(boxes_, QStringList{QStringLiteral(" OK.  I'm Done !")});
        QVERIFY(web->url().path().endsWith("other.htm"));
        CChannelList local;
        QVERIFY(local.Load(LocalChannelFilePath()));
        QCOMPARE(local.size(), size_t(1));
        QCOMPARE(local.at(0)->name, std::string("local"));
        QCOMPARE(local.at(0)->children.at(0)->name, std::string("Town"));

        // A link whose file is missing aborts and keeps the stored channel.
        boxes_.clear();
        web->page()->runJavaScript(QStringLiteral("location.href='/areas/south.sky'"));
        QVERIFY(QTest::qWaitFor([&] { return !boxes_.isEmpty(); }, 20000));
        QCOMPARE(boxes_, QStringList{QStringLiteral("Download Aborted")});
        QVERIFY(local.Load(LocalChannelFilePath()));
        QCOMPARE(local.at(0)->children.at(0)->name, std::string("Town"));
        sheet.accept();
        QCOMPARE(s.GetString("local", "zip"), std::string("94103"));
        server.kill();
        server.waitForFinished();
    }

    void postalCodeIsCheckedAndCancelStoresNothing() {
        SettingsStore& s = SettingsStore::App();
        s.WriteString("local", "zip", "10001");
        host_.webHost = "127.0.0.1:1";
        CLocalPropertySheet sheet(host_);
        sheet.show();
        QLineEdit* zip = sheet.page1()->zipField();
        // Only digits and letters can be typed, ten at most.
        zip->clear();
        QTest::keyClicks(zip, QStringLiteral("SW1A-1AA 99999"));
        QCOMPARE(zip->text(), QStringLiteral("SW1A1AA999"));
        for (const QString& bad :
             {QStringLiteral("12 345"), QStringLiteral("1234-5"), QStringLiteral("<b>")}) {
            boxes_.clear();
            zip->setText(bad);
            sheet.next();
            QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page1()));
            QCOMPARE(boxes_.size(), 1);
        }
        // Letters are a postal code too; Cancel after it keeps the old one.
        boxes_.clear();
        zip->setText(QStringLiteral("abc"));
        sheet.next();
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page2()));
        sheet.reject();
        QCOMPARE(s.GetString("local", "zip"), std::string("10001"));
    }

    void localSheetSaysErrorWhenThePageFails() {
        host_.webHost = "127.0.0.1:" + std::to_string(test::FreePort());
        CLocalPropertySheet sheet(host_);
        sheet.show();
        sheet.next();
        QVERIFY(QTest::qWaitFor([&] { return !boxes_.isEmpty(); }, 20000));
        QCOMPARE(boxes_, QStringList{QStringLiteral("Error")});
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiChannelBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_bar_test.moc"
