#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/chat/remote_command.h"

namespace sky::chat {

class RemoteCommandRouter;

enum class LineStyle { Me = 1, Partner = 2, System = 3 };

struct ChatLine {
    std::string text;
    std::string sender;  // "Me", the partner's name, or "skyharbor"
    LineStyle style = LineStyle::System;
};

// A link or file the partner offered.
struct OfferedItem {
    int type = 0;  // kCmdHotLink or kCmdFileOffer
    std::string description;
    std::string target;  // the URL of a link, the partner's path of a file
    std::string key;     // a file's offer key
    std::string partnerAddress;
};

// A question the window puts to its user; the answer goes to Conversation::Answer.
struct Question {
    enum Kind { SetHomePage, SetPopupStatus, Environment } kind = SetHomePage;
    std::string title;  // "Set your home page?" ...
    std::string text;
    std::string value;  // the URL, or the pop-up value as sent
    std::string asker;  // the partner's name when asked
};

// A setting of this program that a partner changed with the user's leave.
struct SettingChange {
    enum Kind { HomePage, PopupStatus } kind = HomePage;
    std::string value;  // the URL; "1" or "0"
};

// What the window does after an event. Records are already sent.
struct Decision {
    std::vector<ChatLine> lines;  // appended to the conversation list, in order
    std::optional<Question> question;
    std::optional<SettingChange> setting;
    std::optional<std::string> warning;  // an exclamation box ("Invalid Command!")
    bool titleChanged = false;
    bool itemsChanged = false;  // the links and files list grew
    bool clearInput = false;    // the typed line was taken
};

// What choosing an item of the links and files list leads to.
struct ItemChoice {
    std::optional<std::string> url;  // opened in a browsing window
    std::optional<std::string> warning;
};

// One conversation: the state of one chat window, without the window. Made
// by the router; used on the router's thread.
class Conversation {
public:
    static constexpr size_t kMaxLines = 201;
    static constexpr uint64_t kOfferLifetimeMs = 600000;

    Conversation(RemoteCommandRouter& router, std::string partnerAddress, int partnerPort);

    const std::string& partnerAddress() const { return partnerAddress_; }
    int partnerPort() const { return partnerPort_; }  // 0: the router's reply port
    const std::string& partnerName() const { return partnerName_; }
    const std::string& myName() const { return myName_; }
    uint32_t conversationValue() const { return conversation_; }
    bool connected() const { return connected_; }
    // True from the call until the partner answered (accept or refusal).
    bool calling() const { return calling_; }
    uint64_t offerTime() const;
    const std::deque<ChatLine>& lines() const { return lines_; }
    const std::vector<OfferedItem>& items() const { return items_; }
    // "SkyChat", or "SkyChat: " and the partner's name once connected.
    std::string Title() const;

    // A record the router delivered; `sender` is the peer's address as matched.
    Decision Receive(const RemoteCommand& record, const std::string& sender);
    Decision Answer(const Question& question, bool yes);
    // The input line sent (button or Enter).
    Decision Type(const std::string& input);
    Decision OfferLink(const std::string& description, const std::string& url);
    Decision OfferFile(const std::string& description, const std::string& path);
    ItemChoice Choose(size_t index) const;

    // The key -> path map of this window's offers (copy; any thread).
    std::map<std::string, std::string> offeredFiles() const;

private:
    friend class RemoteCommandRouter;

    void AddLine(Decision& d, ChatLine line);
    void Send(int type, std::string data = {}, std::string first = {}, std::string second = {});
    void Connect(const RemoteCommand& record, const std::string& sender);

    RemoteCommandRouter& router_;
    std::string partnerAddress_;
    int partnerPort_ = 0;
    std::string partnerName_;
    std::string myName_;
    uint32_t conversation_ = 0;
    bool connected_ = false;
    bool calling_ = false;
    bool closed_ = false;
    std::deque<ChatLine> lines_;
    std::vector<OfferedItem> items_;
    // Guarded by the router's offer mutex: read by the server thread.
    uint64_t offerTime_ = 0;
    std::map<std::string, std::string> offers_;
    std::vector<uint64_t> noticeTimes_;  // the last minute's "Access Denied" notices
};

// The environment report of a type 16 answer: the labels in order, each
// value in decimal, "Unknown" for a value that is not available (0 or empty).
struct EnvironmentValues {
    std::string platform;  // "Linux "; empty: "Unknown Platform"
    std::string majorVersion, minorVersion;
    std::string programFolder, systemFolder, tempFolder;  // Windows/System/Temp Directory
    std::string fileSystem;
    uint64_t diskType = 0;
    std::string volumeName;
    uint64_t totalSpace = 0, freeSpace = 0;
    uint64_t horizontalPixels = 0, verticalPixels = 0;
    uint64_t displayColors = 0, colorBits = 0;
    uint64_t totalMemory = 0, freeMemory = 0;
};
std::string EnvironmentReport(const EnvironmentValues& values);
// What this machine can tell without a display (the display fields stay 0).
EnvironmentValues CollectEnvironment(const std::string& programFolder, const std::string& tempFolder);

}  // namespace sky::chat
