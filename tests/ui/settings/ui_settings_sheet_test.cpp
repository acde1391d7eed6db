// The settings sheet on its own: what OK leaves in the settings file.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "core/base/settings_store.h"
#include "core/channels/channel_nav.h"
#include "support/sandbox.h"
#include "ui/settings/color_test.h"
#include "ui/settings/page_general.h"
#include "ui/settings/page_look_feel.h"
#include "ui/settings/settings_sheet.h"

using namespace sky;
using namespace sky::ui;

namespace {
QColor FromBgr(unsigned v) {
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
}  // namespace

class UiSettingsSheetTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    SettingsStore& S() { return SettingsStore::App(); }

private slots:
    void init() { sandbox_ = std::make_unique<test::Sandbox>(); }
    void cleanup() { sandbox_.reset(); }

    // OK with nothing touched still writes the whole scheme, the full-colour
    // defaults for the missing keys, and asks for it to be applied.
    void okWritesAllEightKeysWithoutChange() {
        CSettingsSheet sheet(S());
        QSignalSpy applied(&sheet, &CSettingsSheet::schemeWritten);
        sheet.accept();
        QCOMPARE(applied.count(), 1);
        SettingsStore disk(S().path());
        for (const char* key :
             {"ChannelBack", "ChannelText", "NavBack", "NavText", "SubBack", "SubText", "TopBack", "CIStart"})
            QVERIFY2(disk.Has("nColors", key), key);
        QVERIFY(ReadChannelColours(disk, 16) == DefaultChannelColours(257));
        QCOMPARE(disk.GetInt("nColors", "CIStart", -1), 0);
    }

    // A damaged value shows and is written back as its default; a picked
    // colour reaches its swatches and the file; the intro box is stored as 4.
    void pickedAndDamagedColours() {
        S().WriteString("nColors", "ChannelBack", "teal");
        S().WriteInt("nColors", "SubBack", 0x00FF00);
        CSettingsSheet sheet(S());
        CPageLookFeel* page = sheet.lookFeel();
        const ChannelColours defaults = DefaultChannelColours(257);
        QCOMPARE(page->swatch(CPageLookFeel::ChannelBack)->backColour(), FromBgr(defaults.channelBack));
        QCOMPARE(page->swatch(CPageLookFeel::SubText)->backColour(), QColor(0, 255, 0));

        QColor offered;
        page->pickColour = [&](const QColor& current, QWidget*) {
            offered = current;
            return QColor(255, 0, 0);
        };
        page->button(CPageLookFeel::ChannelText)->click();
        QCOMPARE(offered, FromBgr(defaults.channelText));
        QCOMPARE(page->swatch(CPageLookFeel::ChannelText)->textColour(), QColor(255, 0, 0));
        QCOMPARE(page->swatch(CPageLookFeel::ChannelText)->backColour(), FromBgr(defaults.channelBack));
        // Cancelling the colour dialog changes nothing.
        page->pickColour = [](const QColor&, QWidget*) { return QColor(); };
        page->button(CPageLookFeel::TopBack)->click();
        QCOMPARE(page->swatch(CPageLookFeel::TopBack)->backColour(), FromBgr(defaults.topBack));
        page->introAtStart()->setChecked(true);
        sheet.accept();

        QCOMPARE(S().GetInt("nColors", "ChannelText", -1), 0x0000FF);
        QCOMPARE(S().GetInt("nColors", "ChannelBack", -1), int(defaults.channelBack));
        QCOMPARE(S().GetInt("nColors", "SubBack", -1), 0x00FF00);
        QCOMPARE(S().GetInt("nColors", "CIStart", -1), 4);
    }

    // The general page's choices survive a round trip through the file.
    void generalPageRoundTrip() {
        S().WriteString("Startup", "Home", "http://start.example/");
        bool serverAsked = false, serverOn = false;
        {
            CSettingsSheet sheet(S());
            CPageGeneral* page = sheet.general();
            QVERIFY(page->ownPage()->isChecked());
            QCOMPARE(page->ownAddress()->text(), QStringLiteral("http://start.example/"));
            QVERIFY(page->askDefaultBrowser()->isChecked());
            page->setServerAtStart = [&](bool on) {
                serverAsked = true;
                serverOn = on;
            };
            page->blankPage()->setChecked(true);
            page->serverAtStart()->setChecked(true);
            page->askDefaultBrowser()->setChecked(false);
            page->downloadFolder()->setText(QString::fromStdString(sandbox_->home()) +
                                            QStringLiteral("/dl  "));
            sheet.accept();
        }
        QVERIFY(serverAsked && serverOn);
        QCOMPARE(S().GetString("Startup", "Home"), std::string("about:blank"));
        QCOMPARE(S().GetInt("misc", "PromptForDefBrowser", 0), 1);
        QCOMPARE(S().GetString("Downloads", "Folder"), sandbox_->home() + "/dl");

        CSettingsSheet again(S());
        QVERIFY(again.general()->blankPage()->isChecked());
        again.general()->servicePage()->setChecked(true);
        again.general()->downloadFolder()->clear();
        again.accept();
        // The service's own start page and the desktop's download folder leave no key behind.
        QVERIFY(!S().Has("Startup", "Home"));
        QVERIFY(!S().Has("Downloads", "Folder"));
    }
};

QTEST_MAIN(UiSettingsSheetTest)
#include "ui_settings_sheet_test.moc"
