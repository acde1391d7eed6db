#include "ui/app/app_context.h"

#include <QWebEngineProfile>
#include <cstdio>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "member_service/member_service.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/service/download_manager.h"
#include "ui/service/member_session.h"

namespace sky::ui {

AppContext::AppContext(const std::string& settingsPath)
    : settings_(std::make_unique<SettingsStore>(settingsPath)) {
    registry_ = std::make_unique<ToolRegistry>();
    session_ = std::make_unique<MemberSession>(*this);
    downloads_ = std::make_unique<DownloadManager>(*this);
    webServer_ = std::make_unique<CHttpSvrDoc>(*settings_);
    mainChannels_ = std::make_unique<CChannelList>();
    localChannels_ = std::make_unique<CChannelList>();
    profile_ = BrowserProfile::Create();
}

AppContext::~AppContext() {
    // The tools first: they hold on to everything below.
    registry_.reset();
    delete profile_;
    profile_ = nullptr;
    localChannels_.reset();
    mainChannels_.reset();
    webServer_.reset();
    downloads_.reset();
    session_.reset();
    service_.reset();
    settings_.reset();
}

void AppContext::StartMemberService() {
    ServiceConfig config = ServiceConfig::Load(*settings_);
    hosts_ = config.hosts;
    if (config.embedded) {
        member::Options options;
        options.listenHost = "127.0.0.1";
        options.port = config.embeddedPort;
        options.dataDir = JoinPath(DataRoot(), "MemberService");
        std::string error;
        service_ = std::make_unique<member::MemberService>(options);
        if (!service_->Start(&error) && options.port != 0) {
            // The port is taken (another user's copy, say): any free one will do.
            options.port = 0;
            service_ = std::make_unique<member::MemberService>(options);
            if (!service_->Start(&error)) service_.reset();
        }
        if (service_)
            hosts_ = ServiceConfig::EmbeddedHosts(service_->port());
        else
            std::fprintf(stderr, "skyharbor: the member service could not start: %s\n", error.c_str());
    }
}

}  // namespace sky::ui
