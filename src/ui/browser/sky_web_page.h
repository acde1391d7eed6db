#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <functional>

namespace sky::ui {

// One navigation as the hosting window sees it before anything is fetched.
struct NavigationEvent {
    QUrl url;
    QWebEnginePage::NavigationType type = QWebEnginePage::NavigationTypeOther;
    QString targetFrame;  // "" for the page itself
    QByteArray postData;  // empty unless a form posted
    QString contentType;  // of postData
    bool isMainFrame = true;
    bool userInitiated = false;  // a link, a form or a page script; not the program itself
    bool cancel = false;
};

class SkyWebPage;

// Talks to the injected script: links, forms and window.open as they happen.
class NavigationBridge : public QObject {
    Q_OBJECT
public:
    explicit NavigationBridge(SkyWebPage* page);

    Q_INVOKABLE void commandLink(const QString& url, const QString& target);
    Q_INVOKABLE void commandText(const QString& text);
    Q_INVOKABLE void noteTarget(const QString& url, const QString& target);
    Q_INVOKABLE void submitForm(const QString& url, const QString& target, const QString& body,
                                const QString& contentType);

private:
    SkyWebPage* page_;
};

// The engine page every SkyHarbor browser window hosts: its navigations and
// new-window requests go to the window first, which may cancel them.
class SkyWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit SkyWebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // The window's hook: runs before each navigation; setting cancel stops it.
    std::function<void(NavigationEvent&)> onBeforeNavigate;
    // A "skycommand:" address as written (a link or the program's own), which
    // need not parse as a URL: true when the window took it. Unset or false:
    // it is loaded as an address.
    std::function<bool(const QString& text)> onCommandText;
    // A page wants a new window: return the page to load it in, or null to drop it.
    std::function<SkyWebPage*(const QUrl& url, const QString& name)> onNewWindow;

    // Loads `url`, posting `data` when given. The program's own loads pass the
    // hook too, but are not user-initiated.
    void Navigate(const QUrl& url, const QByteArray& data = {}, const QString& contentType = {});
    void NavigatePost(const QUrl& url, const QByteArray& data, const QString& contentType = {});

    // A "_skycmd" link or form, or a new-window target, reported by the page script.
    void ScriptCommandLink(const QUrl& url, const QString& target);
    void ScriptNoteTarget(const QUrl& url, const QString& target);
    void ScriptSubmitForm(const QUrl& url, const QString& target, const QByteArray& body,
                          const QString& type);

    // Installs the hook script into a profile (once).
    static void InstallScripts(QWebEngineProfile* profile);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    bool RunHook(NavigationEvent& ev);

    NavigationBridge bridge_;
    // The last new-window target the page script reported.
    QUrl notedUrl_;
    QString notedTarget_;
    // A form post the script handed over, waiting for its navigation.
    QUrl postUrl_;
    QByteArray postData_;
    QString postType_;
    bool postFromScript_ = false;
};

}  // namespace sky::ui
