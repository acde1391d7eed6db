#include "ui/app/ck7_app.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLinearGradient>
#include <QMdiArea>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "ui/adbox/adbox_tool.h"
#include "ui/app/app_context.h"
#include "ui/app/browser_settings_dialog.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/app/nav_bar.h"
#include "ui/app/shell_tool.h"
#include "ui/app/single_instance.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/channels/channels_tool.h"
#include "ui/chat/chat_tool.h"
#include "ui/comments/comments_tool.h"
#include "ui/ftp/ftp_tool.h"
#include "ui/homepage/homepage_tool.h"
#include "ui/homepage/page_edit_tool.h"
#include "ui/httpsvr/httpsvr_tool.h"
#include "ui/mail/mail_tool.h"
#include "ui/service/download_manager.h"
#include "ui/service/member_session.h"
#include "ui/service/service_tool.h"
#include "ui/settings/settings_tool.h"
#include "ui/skypad/skypad_tool.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

QPixmap BuiltInSplash() {
    QPixmap pm(480, 280);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, pm.height());
    sky.setColorAt(0, QColor(18, 36, 92));
    sky.setColorAt(0.65, QColor(62, 118, 196));
    sky.setColorAt(1, QColor(238, 170, 90));
    p.fillRect(pm.rect(), sky);
    QRadialGradient sun(380, 230, 70);
    sun.setColorAt(0, QColor(255, 236, 170));
    sun.setColorAt(1, QColor(255, 236, 170, 0));
    p.fillRect(pm.rect(), sun);
    // A harbour line and two masts.
    p.setPen(QPen(QColor(20, 28, 60), 3));
    p.drawLine(0, 244, pm.width(), 244);
    p.drawLine(70, 244, 70, 180);
    p.drawLine(110, 244, 110, 196);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(46);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 60, pm.width(), 60), Qt::AlignCenter, QString::fromLatin1(kProgramName));
    f.setPixelSize(16);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(0, 118, pm.width(), 30), Qt::AlignCenter,
               QStringLiteral("Your harbour on the Internet") + QString::fromLatin1(kVersionString));
    return pm;
}

// The program's icon: a sail against the sky.
QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        QLinearGradient sky(0, 0, 0, 64);
        sky.setColorAt(0, QColor(30, 60, 140));
        sky.setColorAt(1, QColor(90, 160, 230));
        p.setBrush(sky);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        p.setBrush(Qt::white);
        QPolygonF sail;
        sail << QPointF(32, 10) << QPointF(32, 44) << QPointF(12, 44);
        p.drawPolygon(sail);
        QPolygonF jib;
        jib << QPointF(36, 16) << QPointF(36, 44) << QPointF(52, 44);
        p.setBrush(QColor(250, 210, 110));
        p.drawPolygon(jib);
        p.setBrush(QColor(20, 28, 60));
        p.drawRect(QRectF(10, 47, 44, 5));
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

CK7App::CK7App(const QStringList& arguments, Options options) : arguments_(arguments), options_(options) {}

CK7App::~CK7App() {
    frame_.reset();
    context_.reset();
}

member::MemberService* CK7App::embeddedService() const {
    return context_ ? context_->embeddedService() : nullptr;
}

QString CK7App::FileFromArguments(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.startsWith(QLatin1Char('-'))) continue;
        QFileInfo fi(a);
        if (!a.contains(QLatin1String("://")) && fi.exists()) return fi.absoluteFilePath();
        return a;
    }
    return {};
}

bool CK7App::InitInstance() {
    // Where start-up spends its time, at the debug level of the log.
    QElapsedTimer clock;
    clock.start();
    auto step = [&clock](const char* what) {
        if (LogThreshold() <= LogLevel::Debug)
            LogDebug("app",
                     std::string("start-up: ") + what + " at " + std::to_string(clock.elapsed()) + " ms");
    };
    file_ = FileFromArguments(arguments_);
    QApplication::setWindowIcon(AppIcon());

    // 1. One copy per user: a later start hands over its file and ends.
    instance_ = std::make_unique<SingleInstance>();
    if (!instance_->Listen()) {
        if (SingleInstance::SendToFirst(file_)) {
            exitCode_ = 0;
            return false;
        }
        // The first copy does not answer; run anyway rather than not at all.
    }
    connect(instance_.get(), &SingleInstance::activationRequested, this, &CK7App::OnActivationRequested);

    // The long-lived services, in their fixed order.
    context_ = std::make_unique<AppContext>(SettingsPath());
    SettingsStore& s = context_->settings();

    step("context");
    // 4. An update installer left behind by the last run.
    std::string leftOver = s.GetString("Misc", "DeleteUpdateFile");
    if (!leftOver.empty()) {
        QString path = QString::fromStdString(leftOver);
        QFile::remove(path);
        // The installer had a private folder of its own.
        QDir().rmdir(QFileInfo(path).absolutePath());
        s.WriteString("Misc", "DeleteUpdateFile", "");
    }

    // Half-written files of copies that died: hidden, but they take up room.
    // Swept once the window is up; the first window needs none of it.
    std::string settingsDir = s.path().substr(0, s.path().rfind('/'));
    QTimer::singleShot(0, this, [settingsDir] {
        RemoveStaleTemporaries(DataRoot(), 4);
        if (!settingsDir.empty() && settingsDir != DataRoot()) RemoveStaleTemporaries(settingsDir, 0);
    });

    // 5. The member service: inside this copy unless the settings name one.
    context_->StartMemberService();

    step("member service");
    // 6. The splash, unless a file was named.
    if (file_.isEmpty() && options_.splash) ShowSplash();

    step("splash");
    // The HTML engine must be there; its build string goes to the service.
    if (!context_->browserProfile()) {
        ShowMessage(nullptr,
                    QStringLiteral("Sorry. SkyHarbor needs Qt WebEngine to show web pages, and it "
                                   "could not be started.\n\nInstall the package qt6-webengine."),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
        exitCode_ = 1;
        return false;
    }
    const char* build = EngineBuildString();
    context_->session().Start((build && *build) ? QString::fromLatin1(build) : QStringLiteral("?"));

    step("session");
    // 10. The tools register their windows, commands and words.
    DefaultBrowser* browser = options_.defaultBrowser;
    if (!browser) {
        ownDefaultBrowser_ = std::make_unique<XdgDefaultBrowser>();
        browser = ownDefaultBrowser_.get();
    }
    RegisterTools(browser);

    step("tools");
    // 11. The main frame.
    frame_ = std::make_unique<CMainFrame>(*context_);
    frame_->Create();
    BrowserSettingsDialog::ApplyStored(s, context_->browserProfile());

    step("frame");
    // 12. Default browser, asked once the frame can own the question.
    RunDefaultBrowserCheck(frame_.get(), s, *browser, true);

    step("default browser");
    // 14.-15. First navigation, then the window maximised.
    // A "mailto:" address is no page: the start page shows, and a compose window for it.
    bool mailto = file_.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
    frame_->FirstNavigation(mailto ? QString() : file_);
    frame_->ShowAtStart();
    if (mailto) frame_->HandleAddress(file_, true);
    // The splash goes as soon as the frame is up: nobody waits on a picture.
    // (Without waiting for the window manager to say so: that can take long.)
    if (splash_) {
        QSplashScreen* splash = splash_;
        QTimer::singleShot(0, splash, [splash] {
            splash->close();
            splash->deleteLater();
        });
        splash_ = nullptr;
    }

    step("navigation and show");
    // The public channels while the user has none; the download runs
    // beside the first-run sheets.
    context_->downloads().StartUpChannelImport();

    // 16.-17. First run: the registration sheet, then the local channel sheet.
    context_->session().RunFirstRunSheets();
    return true;
}

void CK7App::RegisterTools(DefaultBrowser* browser) {
    ToolRegistry& registry = context_->registry();
    RegisterBrowserTool(registry, *context_);
    RegisterChannelsTool(registry, *context_);
    RegisterHttpSvrTool(registry, *context_);
    RegisterChatTool(registry, *context_);
    RegisterMailTool(registry, *context_);
    RegisterSkyPadTool(registry, *context_);
    RegisterFtpTool(registry, *context_);
    RegisterWebSpaceTool(registry, *context_);
    RegisterHomePageTool(registry, *context_);
    RegisterPageEditCommands(registry, *context_);
    RegisterServiceTool(registry, *context_);
    RegisterAdBoxTool(registry, *context_);
    RegisterCommentsTool(registry, *context_);
    RegisterShellTool(registry, *context_, browser);
    RegisterSettingsTool(registry, *context_);
}

void CK7App::ShowSplash() {
    QPixmap pm;
    std::string art = GetDataDir("Art");
    if (!art.empty()) pm.load(QString::fromStdString(art + "splash.bmp"));
    if (pm.isNull()) {
        pm = BuiltInSplash();
    } else {
        // White is the splash picture's transparent colour.
        pm.setMask(pm.createMaskFromColor(Qt::white));
    }
    splash_ = new QSplashScreen(pm);
    splash_->show();
    QApplication::processEvents();
}

void CK7App::OnActivationRequested(const QString& file) {
    if (!frame_) return;
    if (frame_->isMinimized()) frame_->showMaximized();
    frame_->raise();
    frame_->activateWindow();
    if (QWidget* popup = QApplication::activePopupWidget()) popup->raise();
    if (!file.isEmpty()) frame_->HandleAddress(file, true);
}

void CK7App::ExitInstance() {
    frame_.reset();
    context_.reset();
    instance_.reset();
}

}  // namespace sky::ui
