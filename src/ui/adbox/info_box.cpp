#include "ui/adbox/info_box.h"

#include <QBasicTimer>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/net/http_client.h"
#include "ui/base/ui_job.h"

namespace sky::ui {

// Nothing but the ad file and the ad host's own pieces (style, pictures) loads.
class AdRequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    AdRequestGuard(std::string adHost, QUrl adFile, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), adHost_(std::move(adHost)), adFile_(std::move(adFile)) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        QUrl url = info.requestUrl();
        if (url == adFile_) return;
        if (IsAdHostAddress(url.toString(QUrl::FullyEncoded).toStdString(), adHost_)) return;
        info.block(true);
    }

private:
    const std::string adHost_;
    const QUrl adFile_;
};

namespace {

class AdPage : public QWebEnginePage {
public:
    AdPage(QWebEngineProfile* profile, QUrl adFile, std::function<void(const QString&)> openInMain,
           QObject* parent, bool catcher = false)
        : QWebEnginePage(profile, parent),
          adFile_(std::move(adFile)),
          openInMain_(std::move(openInMain)),
          catcher_(catcher) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (!isMainFrame) return false;
        // A catcher page exists for its first navigation only.
        if (catcher_) deleteLater();
        std::string address = url.toString(QUrl::FullyEncoded).toStdString();
        switch (ClassifyAdNavigation(address, adFile_.toString(QUrl::FullyEncoded).toStdString())) {
            case AdNavigation::Show:
                return !catcher_;
            case AdNavigation::OpenInMain:
                openInMain_(url.toString(QUrl::FullyEncoded));
                return false;
            case AdNavigation::Drop:
                return false;
        }
        return false;
    }
    // A new window asked for by the ad ("_blank", "_top" from a frame) is a
    // link like any other: the main browser takes it.
    QWebEnginePage* createWindow(WebWindowType) override {
        return new AdPage(profile(), adFile_, openInMain_, this, true);
    }

private:
    QUrl adFile_;
    std::function<void(const QString&)> openInMain_;
    bool catcher_;
};

}  // namespace

CInfoBox::CInfoBox(std::string adHost, std::function<void(const QString&)> openInMain, QWidget* parent)
    : QWidget(parent), adHost_(std::move(adHost)), openInMain_(std::move(openInMain)) {
    setObjectName(QStringLiteral("CInfoBox"));
    std::string dir = PrivateTempDir();
    if (!dir.empty()) {
        adFile_ = dir + "skybox.htm";
        adFileUrl_ = QUrl::fromLocalFile(QString::fromStdString(adFile_));
    }
    // A profile of its own, in memory: the ad keeps no cookies or cache of the browser's.
    profile_ = new QWebEngineProfile(this);
    QWebEngineSettings* s = profile_->settings();
    // An ad needs no script: without it an ad cannot open windows or move the box.
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // The ad file's style and pictures come from the ad host (the guard sees to that).
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    guard_ = new AdRequestGuard(adHost_, adFileUrl_, this);

    view_ = new QWebEngineView(this);
    auto* page = new AdPage(profile_, adFileUrl_, openInMain_, view_);
    page->setUrlRequestInterceptor(guard_);
    view_->setPage(page);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setMinimumSize(140, 100);

    job_ = new UiJob(this);
    connect(job_, &UiJob::finished, this, &CInfoBox::OnFetched);
    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok && !shownOnce_ && view_->url() == adFileUrl_) {
            shownOnce_ = true;
            emit firstAdShown();
        }
    });
    timer_ = new QBasicTimer;
}

CInfoBox::~CInfoBox() {
    delete timer_;
    // The page goes before its profile.
    delete view_;
}

void CInfoBox::Start(AdRotation rotation) {
    timer_->stop();
    // The first ad comes with the first tick: a start-up has enough to fetch.
    if (rotation.enabled) timer_->start(rotation.periodMs, this);
}

bool CInfoBox::timerActive() const {
    return timer_->isActive();
}

void CInfoBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_->timerId()) {
        Fetch();  // a fetch still running keeps its turn
        return;
    }
    QWidget::timerEvent(event);
}

bool CInfoBox::Fetch() {
    if (adFile_.empty()) return false;
    std::string url = AdSourceUrl(adHost_);
    std::string target = adFile_;
    return job_->Start([url, target](std::stop_token stop, const UiJob::Post&) {
        HttpRequest request;
        request.url = url;
        // Never a cached ad.
        request.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
        // Only the ad host: a redirect elsewhere is no ad.
        request.maxRedirects = 0;
        request.failOnHttpError = true;
        request.connectTimeoutSec = 10;
        request.totalTimeoutSec = 30;
        request.maxBytes = 1 << 20;
        request.stop = stop;
        HttpClient client;
        std::string body;
        HttpResult r = client.Fetch(request, &body);
        if (!r.ok() || r.status != 200) {
            LogWarn("adbox", "ad fetch failed: " + r.error + " (" + std::to_string(r.status) + ")");
            return 0;
        }
        // Renamed over the old ad only when whole: a broken fetch leaves the last one.
        std::string error;
        if (!WriteFileAtomically(target, body, &error)) {
            LogWarn("adbox", "ad file not written: " + error);
            return 0;
        }
        return 1;
    });
}

void CInfoBox::OnFetched(int ok) {
    if (job_->cancelled()) return;
    if (!ok) {
        ++fetchesFailed_;
        return;
    }
    ++fetchesDone_;
    // Load it again even when the address is the same.
    view_->load(adFileUrl_);
}

}  // namespace sky::ui
