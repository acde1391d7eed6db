#include "ui/browser/sky_web_page.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEngineHttpRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>

// The library's resources must be brought in by hand when it is linked statically.
static void InitBrowserResources() {
    Q_INIT_RESOURCE(browser);
}

namespace sky::ui {

namespace {

constexpr int kMaxScriptText = 1 << 20;

// Command schemes are the program's, never a request to anyone: whatever
// slips past the hooks (an image, a frame) fails here.
class RefuseSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
    }
};

QString ReadResource(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

bool IsSelfTarget(const QString& target) {
    QString t = target.toLower();
    return t.isEmpty() || t == QLatin1String("_self") || t == QLatin1String("_top") ||
           t == QLatin1String("_parent");
}

}  // namespace

NavigationBridge::NavigationBridge(SkyWebPage* page) : QObject(page), page_(page) {}

void NavigationBridge::commandLink(const QString& url, const QString& target) {
    if (url.size() > kMaxScriptText || target.size() > kMaxScriptText) return;
    page_->ScriptCommandLink(QUrl(url), target);
}

void NavigationBridge::commandText(const QString& text) {
    if (text.size() > kMaxScriptText) return;
    if (page_->onCommandText && page_->onCommandText(text)) return;
    page_->Navigate(QUrl(text));
}

void NavigationBridge::noteTarget(const QString& url, const QString& target) {
    if (url.size() > kMaxScriptText || target.size() > kMaxScriptText) return;
    page_->ScriptNoteTarget(QUrl(url), target);
}

void NavigationBridge::submitForm(const QString& url, const QString& target, const QString& body,
                                  const QString& contentType) {
    page_->ScriptSubmitForm(QUrl(url), target, body.toUtf8(), contentType);
}

void SkyWebPage::InstallScripts(QWebEngineProfile* profile) {
    if (!profile->scripts()->find(QStringLiteral("skyharbor-hooks")).isEmpty()) return;
    InitBrowserResources();
    for (const char* scheme : {"skycommand", "skyidp"})
        profile->installUrlSchemeHandler(scheme, new RefuseSchemeHandler(profile));
    QWebEngineScript script;
    script.setName(QStringLiteral("skyharbor-hooks"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QLatin1Char('\n') +
                         ReadResource(QStringLiteral(":/skyharbor/navigation_hooks.js")));
    profile->scripts()->insert(script);
}

SkyWebPage::SkyWebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), bridge_(this) {
    InstallScripts(profile);
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("skyBridge"), &bridge_);
    setWebChannel(channel);
}

void SkyWebPage::Navigate(const QUrl& url, const QByteArray& data, const QString& contentType) {
    if (data.isEmpty()) {
        load(url);
        return;
    }
    NavigatePost(url, data, contentType);
}

void SkyWebPage::NavigatePost(const QUrl& url, const QByteArray& data, const QString& contentType) {
    postUrl_ = url;
    postData_ = data;
    postType_ = contentType.isEmpty() ? QStringLiteral("application/x-www-form-urlencoded") : contentType;
    QWebEngineHttpRequest request(url, QWebEngineHttpRequest::Post);
    request.setPostData(data);
    request.setHeader(QByteArrayLiteral("Content-Type"), postType_.toUtf8());
    load(request);
}

bool SkyWebPage::RunHook(NavigationEvent& ev) {
    if (onBeforeNavigate) onBeforeNavigate(ev);
    return !ev.cancel;
}

bool SkyWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    NavigationEvent ev;
    ev.url = url;
    ev.type = type;
    ev.isMainFrame = isMainFrame;
    ev.userInitiated = type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted ||
                       type == NavigationTypeOther;
    if (!postUrl_.isEmpty() && url == postUrl_) {
        ev.postData = postData_;
        ev.contentType = postType_;
        ev.userInitiated = postFromScript_;
        postFromScript_ = false;
        postUrl_.clear();
        postData_.clear();
    }
    return RunHook(ev);
}

QWebEnginePage* SkyWebPage::createWindow(WebWindowType) {
    QString name = notedTarget_;
    QUrl url = notedUrl_;
    notedTarget_.clear();
    notedUrl_.clear();
    return onNewWindow ? onNewWindow(url, name) : nullptr;
}

void SkyWebPage::ScriptCommandLink(const QUrl& url, const QString& target) {
    NavigationEvent ev;
    ev.url = url;
    ev.type = NavigationTypeLinkClicked;
    ev.targetFrame = target;
    ev.userInitiated = true;
    RunHook(ev);
}

void SkyWebPage::ScriptNoteTarget(const QUrl& url, const QString& target) {
    notedUrl_ = url;
    notedTarget_ = target;
}

void SkyWebPage::ScriptSubmitForm(const QUrl& url, const QString& target, const QByteArray& body,
                                  const QString& type) {
    if (!url.isValid()) return;
    if (IsSelfTarget(target)) {
        NavigatePost(url, body, type);
        postFromScript_ = true;
        return;
    }
    if (!onNewWindow) return;
    if (SkyWebPage* page = onNewWindow(url, target)) {
        page->NavigatePost(url, body, type);
        page->postFromScript_ = true;
    }
}

}  // namespace sky::ui
