#pragma once

#include <QString>
#include <QUrl>
#include <string>

class QWebEngineProfile;

namespace sky {
class SettingsStore;
struct MainFilterResult;
}  // namespace sky

namespace sky::ui {

class BrowserPane;
class SkyWebPage;

// What the browser windows ask of the program; each view gets it in its
// constructor. Called on the UI thread.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;
    virtual SettingsStore& Settings() const = 0;
    // The member service's web host for this run.
    virtual std::string WebHost() const = 0;
    // The engine profile every view shares.
    virtual QWebEngineProfile* Profile() const = 0;
    // A command URL, channel file or service link the main browser filter caught.
    virtual void RunMainFilterAction(BrowserPane* pane, const MainFilterResult& result) = 0;
    // The command-link handler ("_skycmd" targets and the pop-up rule); true when consumed.
    virtual bool HandleCommandLink(BrowserPane* caller, const QUrl& url, const QString& target) = 0;
    // A page asked for a new window; the page to load it in, or null.
    virtual SkyWebPage* OpenRequestedPopup(BrowserPane* caller, const QString& name) = 0;
    // The channel bar's activity indicator.
    virtual void SetActivity(bool busy) = 0;
    // The frame's channel introduction option.
    virtual bool ChannelIntroOption() const = 0;
    // The member account for service requests.
    virtual QString Account() const = 0;
    // Hands an address to the frame's address handler.
    virtual void HandleAddress(const QString& text, bool useMainBrowser) = 0;
};

}  // namespace sky::ui
