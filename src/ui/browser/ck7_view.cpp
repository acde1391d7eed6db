#include "ui/browser/ck7_view.h"

#include <QDir>
#include <QFileInfo>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "ui/browser/browser_profile.h"

namespace sky::ui {

CK7View::CK7View(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    web_ = new QWebEngineView(this);
    web_->setPage(new QWebEnginePage(BrowserProfile::Get(), web_));
    layout->addWidget(web_);
    setFocusProxy(web_);

    connect(web_, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
        emit locationChanged(url.toString());
        emit secureChanged(url.scheme() == QLatin1String("https"));
    });
    connect(web_, &QWebEngineView::titleChanged, this, &CK7View::pageTitleChanged);
    connect(web_, &QWebEngineView::loadStarted, this, [this] {
        loading_ = true;
        emit loadingChanged(true);
    });
    connect(web_, &QWebEngineView::loadFinished, this, [this](bool) {
        loading_ = false;
        emit loadingChanged(false);
    });
    connect(web_->page(), &QWebEnginePage::linkHovered, this, &CK7View::statusTextChanged);
    // A crashed renderer leaves a blank view; say what happened instead.
    connect(web_->page(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus) return;
                web_->setHtml(
                    QStringLiteral("<html><body style='font-family:sans-serif'>"
                                   "<h3>This page stopped working.</h3>"
                                   "<p>Press Refresh to load it again.</p></body></html>"));
            });
}

CK7View::~CK7View() = default;

QUrl CK7View::UrlFromAddress(const QString& address) {
    QString a = address.trimmed();
    if (a.isEmpty()) return {};
    if (a.startsWith(QLatin1Char('/')) || a.startsWith(QLatin1String("~/"))) {
        QFileInfo fi(a.startsWith(QLatin1Char('~')) ? QDir::homePath() + a.mid(1) : a);
        return QUrl::fromLocalFile(fi.absoluteFilePath());
    }
    QUrl url(a, QUrl::TolerantMode);
    if (url.scheme().isEmpty() || (url.scheme().size() > 1 && !a.contains(QLatin1String(":"))))
        url = QUrl(QStringLiteral("http://") + a, QUrl::TolerantMode);
    // "host:port/path" parses with "host" as the scheme.
    if (!url.scheme().isEmpty() && url.host().isEmpty() && !a.contains(QLatin1String("://")) &&
        url.scheme() != QLatin1String("about") && url.scheme() != QLatin1String("file") &&
        url.scheme() != QLatin1String("mailto") && url.scheme() != QLatin1String("skycommand") &&
        url.scheme() != QLatin1String("skyidp") && url.scheme() != QLatin1String("data") &&
        url.scheme() != QLatin1String("javascript"))
        url = QUrl(QStringLiteral("http://") + a, QUrl::TolerantMode);
    return url;
}

void CK7View::Navigate(const QString& address) {
    QUrl url = UrlFromAddress(address);
    if (url.isValid()) web_->load(url);
}

void CK7View::GoBack() {
    web_->back();
}
void CK7View::GoForward() {
    web_->forward();
}
void CK7View::Stop() {
    web_->stop();
}
void CK7View::Refresh() {
    web_->reload();
}

QString CK7View::HomeAddress() {
    std::string home = SettingsStore::App().GetString("Startup", "Home");
    return QString::fromStdString(home.empty() ? StartPageUrl() : home);
}

void CK7View::GoHome() {
    Navigate(HomeAddress());
}

QString CK7View::LocationUrl() const {
    return web_->url().toString();
}

}  // namespace sky::ui
