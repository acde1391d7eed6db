#include "core/base/service_config.h"

#include "core/base/settings_store.h"

namespace sky {

ServiceHosts ServiceConfig::EmbeddedHosts(int port) {
    std::string h = "127.0.0.1:" + std::to_string(port);
    return {h, h, h, h};
}

ServiceConfig ServiceConfig::Load(const SettingsStore& settings) {
    ServiceConfig cfg;
    cfg.embedded = settings.GetInt("Service", "Embedded", 1) != 0;
    cfg.embeddedPort = settings.GetInt("Service", "EmbeddedPort", kDefaultPort);
    if (cfg.embeddedPort < 0 || cfg.embeddedPort > 65535) cfg.embeddedPort = kDefaultPort;
    ServiceHosts fallback = EmbeddedHosts(cfg.embeddedPort == 0 ? kDefaultPort : cfg.embeddedPort);
    if (cfg.embedded) {
        cfg.hosts = fallback;
    } else {
        cfg.hosts.web = settings.GetString("Service", "WebHost", fallback.web);
        cfg.hosts.ad = settings.GetString("Service", "AdHost", cfg.hosts.web);
        cfg.hosts.publicSpace = settings.GetString("Service", "PublicSpaceHost", cfg.hosts.web);
        cfg.hosts.comments = settings.GetString("Service", "CommentsHost", cfg.hosts.web);
    }
    return cfg;
}

std::string ServiceUrl(const std::string& host, const std::string& path) {
    return "http://" + host + path;
}

std::string StartPageUrl(const std::string& webHost) {
    return ServiceUrl(webHost, "/sky_start/skydata.htm");
}

}  // namespace sky
