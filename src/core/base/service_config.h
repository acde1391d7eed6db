#pragma once

#include <string>

namespace sky {

class SettingsStore;

// The four hosts of the member service, each "host" or "host:port".
struct ServiceHosts {
    std::string web;
    std::string ad;
    std::string publicSpace;
    std::string comments;
};

// Section "Service": Embedded (1), EmbeddedPort (7780; 0 = any free port),
// WebHost, AdHost, PublicSpaceHost, CommentsHost (used when Embedded=0).
struct ServiceConfig {
    static constexpr int kDefaultPort = 7780;

    bool embedded = true;
    int embeddedPort = kDefaultPort;
    ServiceHosts hosts;

    static ServiceConfig Load(const SettingsStore& settings);
    // Hosts when the embedded service listens on `port`.
    static ServiceHosts EmbeddedHosts(int port);
};

// "http://" + web host + path (path begins with "/").
std::string ServiceUrl(const std::string& host, const std::string& path);
// The service's start page: "/sky_start/skydata.htm" on the web host.
std::string StartPageUrl(const std::string& webHost);

}  // namespace sky
