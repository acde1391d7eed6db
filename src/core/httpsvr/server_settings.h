#pragma once

#include <string>

namespace sky {
class SettingsStore;
}

namespace sky::httpsvr {

// The server's settings, kept in section "Server" of the settings file.
struct ServerSettings {
    static constexpr int kDefaultPort = 8080;

    std::string root;        // served folder, no trailing "/"
    std::string serverName;  // host name used in URLs the server builds
    int port = kDefaultPort;
    // Empty: every interface, IPv4 and IPv6; "127.0.0.1" keeps to this machine;
    // or one address of the machine.
    std::string listenAddress;
    bool ownName = false;  // serverName was typed by the user
    bool longListing = true;
    bool showIcons = true;
    bool allowListings = true;
    bool startAtStartup = false;

    // Without an own name the server name is the machine's name.
    static ServerSettings Load(const SettingsStore& store);
    bool Save(SettingsStore& store) const;
};

// Data root + "PublicFiles".
std::string DefaultRoot();

// Makes `root` when it does not exist, with a welcome "index.htm" and the
// "SvrAdmin" icons. An existing folder is left alone. False when it cannot be made.
bool CreateDefaultRoot(const std::string& root, std::string* error = nullptr);

// The listing icons, as GIF files: "Blank.gif", "File.gif", "Folder.gif", "Prev.gif".
std::string IconGif(const std::string& name);

}  // namespace sky::httpsvr
