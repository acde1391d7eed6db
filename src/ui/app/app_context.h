#pragma once

#include <memory>
#include <string>

#include "core/base/service_config.h"

class QWebEngineProfile;

namespace sky {
class SettingsStore;
class CChannelList;
namespace member {
class MemberService;
}
}  // namespace sky

namespace sky::ui {

class BrowserTool;
class ChatTool;
class MailTool;
class ChannelsTool;
class CHttpSvrDoc;
class DownloadManager;
class FrameHost;
class MemberSession;
class ToolRegistry;

// The program's long-lived services, built by CK7App in one fixed order
// (settings, service hosts and member session, downloads, the personal web
// server, the channel lists, the browser profile) and torn down in reverse.
// Windows and tools receive it in their constructors. Tools use only the
// accessors here, which are inline, so a tool library never links ui/app.
class AppContext {
public:
    // The settings file at `settingsPath` is the program's for the whole run.
    explicit AppContext(const std::string& settingsPath);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    SettingsStore& settings() const { return *settings_; }
    // The four hosts of the member service for this run.
    const ServiceHosts& hosts() const { return hosts_; }
    // The member service inside this process, when the settings ask for it.
    member::MemberService* embeddedService() const { return service_.get(); }
    MemberSession& session() const { return *session_; }
    DownloadManager& downloads() const { return *downloads_; }
    // Runs from start-up or "start server" until the program ends; its
    // window is only a view of it.
    CHttpSvrDoc& webServer() const { return *webServer_; }
    CChannelList& mainChannels() const { return *mainChannels_; }
    CChannelList& localChannels() const { return *localChannels_; }
    QWebEngineProfile* browserProfile() const { return profile_; }
    ToolRegistry& registry() const { return *registry_; }

    // The frame, once it exists; null before and after.
    FrameHost* frame() const { return frame_; }
    void SetFrame(FrameHost* frame) { frame_ = frame; }

    // Tools that others call directly; set by their registration.
    BrowserTool* browser = nullptr;
    ChannelsTool* channels = nullptr;
    ChatTool* chat = nullptr;
    MailTool* mail = nullptr;

    // Starts the embedded member service, or takes the hosts from the
    // settings; sets hosts().
    void StartMemberService();

private:
    std::unique_ptr<SettingsStore> settings_;
    ServiceHosts hosts_;
    std::unique_ptr<member::MemberService> service_;
    std::unique_ptr<ToolRegistry> registry_;
    std::unique_ptr<MemberSession> session_;
    std::unique_ptr<DownloadManager> downloads_;
    std::unique_ptr<CHttpSvrDoc> webServer_;
    std::unique_ptr<CChannelList> mainChannels_;
    std::unique_ptr<CChannelList> localChannels_;
    QWebEngineProfile* profile_ = nullptr;
    FrameHost* frame_ = nullptr;
};

}  // namespace sky::ui
