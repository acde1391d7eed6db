#include "ui/browser/ck7_view.h"

#include <QTimer>
#include <QWebEngineView>

#include "core/app/command_dispatch.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/browser/navigation_hook.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/sky_web_page.h"

namespace sky::ui {

namespace {
long g_navigations = 0;
}

long CK7View::NavigationCount() {
    return g_navigations;
}

CK7View::CK7View(BrowserHost& host, QWidget* parent) : BrowserPane(host.Profile(), parent), host_(host) {
    popup_ = new QLabel(this);
    popup_->setObjectName(QStringLiteral("StatusPopup"));
    popup_->setStyleSheet(QStringLiteral(
        "QLabel { background: #fffbe0; color: #202020; border: 1px solid #8a8060; padding: 3px 6px; }"));
    popup_->setTextFormat(Qt::PlainText);
    popup_->hide();

    page()->onBeforeNavigate = [this](NavigationEvent& ev) { BeforeNavigate(ev); };
    page()->onCommandText = [this](const QString& text) {
        MainFilterResult r = MainBrowserFilter(text.toStdString());
        if (!r.cancel) return false;
        QTimer::singleShot(0, this, [this, r] { host_.RunMainFilterAction(this, r); });
        return true;
    };
    page()->onNewWindow = [this](const QUrl&, const QString& name) -> SkyWebPage* {
        return host_.OpenRequestedPopup(this, name);
    };
    connect(this, &BrowserPane::loadingChanged, this, [this](bool loading) {
        host_.SetActivity(loading);
        if (loading && StatusPopupOption()) {
            SetPopupText(QStringLiteral("Loading..."));
            if (isVisible()) {
                PlacePopup();
                popup_->show();
                popup_->raise();
            }
        } else if (!loading) {
            popup_->hide();
        }
    });
    connect(this, &BrowserPane::statusTextChanged, this, [this](const QString& text) {
        if (StatusPopupOption() && popup_->isVisible()) {
            SetPopupText(text);
            PlacePopup();
        }
    });
}

CK7View::~CK7View() = default;

bool CK7View::StatusPopupOption() const {
    return host_.Settings().GetInt("misc", "statuspopup", 0) != 0;
}

QString CK7View::HomeAddress(const SettingsStore& settings, const std::string& webHost) {
    std::string home = settings.GetString("Startup", "Home");
    return QString::fromStdString(home.empty() ? StartPageUrl(webHost) : home);
}

void CK7View::GoHome() {
    Navigate(HomeAddress(host_.Settings(), host_.WebHost()));
}

void CK7View::BeforeNavigate(NavigationEvent& ev) {
    // A command link reported by the page script: the frame's handler, never the network.
    if (ev.targetFrame.toLower().startsWith(QLatin1String("_skycmd"))) {
        ev.cancel = true;
        QUrl url = ev.url;
        QString target = ev.targetFrame;
        QTimer::singleShot(0, this, [this, url, target] { host_.HandleCommandLink(this, url, target); });
        return;
    }

    HookInput in;
    in.url = ev.url.toString().toStdString();
    in.webHost = host_.WebHost();
    in.zip = host_.Settings().GetString("local", "zip");
    in.account = host_.Account().toStdString();
    in.channelIntroOption = host_.ChannelIntroOption();
    in.introState = introState_;
    HookDecision d = DecideNavigation(in);

    if (d.introState && ev.isMainFrame) {
        introState_ = *d.introState;
        emit channelIntroStateChanged(introState_);
    }
    if (d.cancel) {
        ev.cancel = true;
        QUrl target(QString::fromStdString(d.redirect));
        QByteArray data = d.passPostData ? ev.postData : QByteArray();
        QString type = ev.contentType;
        QTimer::singleShot(0, this, [this, target, data, type] { NavigateUrl(target, data, type); });
    } else if (d.applyMainFilter) {
        MainFilterResult r = MainBrowserFilter(in.url);
        if (r.cancel) {
            ev.cancel = true;
            QTimer::singleShot(0, this, [this, r] { host_.RunMainFilterAction(this, r); });
        }
    }

    if (ev.isMainFrame && StatusPopupOption()) {
        long n = ++g_navigations;
        SetPopupText(QString::fromStdString(StatusPopupText(docTitle_.toStdString(), in.url, n)));
        if (isVisible()) {
            PlacePopup();
            popup_->show();
            popup_->raise();
        }
    }
}

void CK7View::SetPopupText(const QString& text) {
    popup_->setText(text);
    emit statusPopupTextChanged(text);
}

void CK7View::PlacePopup() {
    popup_->adjustSize();
    int w = std::min(popup_->width(), std::max(120, width() - 8));
    popup_->resize(w, popup_->height());
    popup_->move(4, std::max(0, height() - popup_->height() - 4));
}

void CK7View::resizeEvent(QResizeEvent* e) {
    BrowserPane::resizeEvent(e);
    if (popup_->isVisible()) PlacePopup();
}

}  // namespace sky::ui
