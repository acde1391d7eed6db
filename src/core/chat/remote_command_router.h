#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/chat/conversation.h"
#include "core/chat/remote_command.h"
#include "core/chat/remote_command_sender.h"

namespace sky::chat {

// The millisecond clock of offers and of the flood rule.
class MsClock {
public:
    virtual ~MsClock() = default;
    virtual uint64_t NowMs() const = 0;
};
// Milliseconds since the system started.
class SystemMsClock : public MsClock {
public:
    uint64_t NowMs() const override;
};

// Who this copy is, as chat tells it to partners.
struct ChatIdentity {
    std::string address;          // this machine's address (ThisMachineAddress)
    std::string accountName;      // sent as sender name in a conversation
    std::string machineIdentity;  // sender name of a call
    std::string computerName;
    std::string engineBuild;
    std::string version;
    int replyPort = 8080;  // where partners whose port is unknown listen: our own port
    // The environment report of a type 16 answer.
    std::function<std::string()> environment;
};

// A chat request waiting for the user's answer.
struct ChatRequest {
    RemoteCommand record;
    std::string sender;  // the peer's address as matched
};

struct RouteResult {
    enum Kind {
        Dropped,      // nothing to show (no window and not a partner, or the flood rule)
        Ask,          // put `askText` to the user; answer with AnswerChatRequest(request, yes)
        Delivered,    // `decision` is for `conversation`'s window
        CouldntFind,  // "Couldn't find chat view" / "Warning!"
        Invalid,      // "Received Invalid Remote Command" / "Ya ?"; then InvalidShown(request)
    } kind = Dropped;
    std::shared_ptr<Conversation> conversation;
    Decision decision;
    ChatRequest request;
    std::string askText;  // "%s wants to chat.\n\nSubject: %s\n\nYou want to ?"
};

struct AnswerResult {
    enum Kind {
        Refused,    // type 17 went back
        Opened,     // a new window for `conversation`, with `decision`
        Delivered,  // an existing window got it
        HungUp,     // "%s has hung up!\n" / "Hung Up!" in `message`
    } kind = Refused;
    std::shared_ptr<Conversation> conversation;
    Decision decision;
    std::string message;
};

// Holds the chat partners and the open conversations and decides where each
// arriving record goes. Used on one thread (the UI thread, or the terminal
// chat's loop), except ResolveOffer, which the server thread calls.
class RemoteCommandRouter {
public:
    static constexpr const char* kAskTitle = "Are You Sure ?";
    static constexpr const char* kInvalidText = "Received Invalid Remote Command";
    static constexpr const char* kInvalidTitle = "Ya ?";
    static constexpr const char* kCouldntFindText = "Couldn't find chat view";
    static constexpr const char* kCouldntFindTitle = "Warning!";
    static constexpr const char* kHungUpTitle = "Hung Up!";
    static constexpr int kMaxRequestsPerMinute = 5;

    RemoteCommandRouter(ChatIdentity identity, RemoteCommandSender& sender, const MsClock& clock);
    ~RemoteCommandRouter();

    // On the router's thread; the server thread reads it under the lock.
    const ChatIdentity& identity() const { return identity_; }
    // The address, names and reply port follow the session and the server.
    void EditIdentity(const std::function<void(ChatIdentity&)>& edit) {
        std::lock_guard lock(offerMutex_);
        edit(identity_);
    }
    const MsClock& clock() const { return clock_; }
    RemoteCommandSender& sender() { return sender_; }

    // A record from the server; `peerAddress` is the connection's peer.
    RouteResult Route(const RemoteCommand& record, const std::string& peerAddress);
    AnswerResult AnswerChatRequest(const ChatRequest& request, bool yes);
    // The box about an invalid record was closed.
    void InvalidShown(const ChatRequest& request);

    // Calls `host` ("address[:port]"; empty: "127.0.0.1"): opens the calling
    // side's conversation and sends type 4 with `senderName` and `data`.
    std::shared_ptr<Conversation> Call(const std::string& host, const std::string& senderName,
                                       const std::string& data);
    // The window closed: type 8 to the partner, the partner leaves the set.
    void Close(const std::shared_ptr<Conversation>& conversation);

    std::vector<std::shared_ptr<Conversation>> conversations() const;
    std::set<std::string> partners() const { return partners_; }
    // Told each time the set of partners changes.
    std::function<void(const std::set<std::string>&)> partnersChanged;

    // "/~SKYCMD/<key>/<path>" from `peerAddress`: the file's path when the key
    // is an offer of an open conversation younger than 10 minutes. A key made
    // for this machine's address that fails the check sends "Access Denied" to
    // the partner of the window holding it (else of the first window), a few
    // times a minute at most; anything else fails without notice. Any thread.
    std::optional<std::string> ResolveOffer(const std::string& url, const std::string& peerAddress);

    // The peer's address as matched: this machine's address for itself.
    std::string SenderAddress(const std::string& peerAddress) const;
    // Sends `type` to `address`'s server (port: the conversation's, else replyPort).
    void SendTo(const std::string& address, int port, int type, const std::string& senderName,
                uint32_t conversation, std::string data, std::string first = {}, std::string second = {});

private:
    friend class Conversation;

    // The flood rule of chat requests and invalid records: false drops the record.
    bool AdmitBox(const std::string& sender);
    std::shared_ptr<Conversation> FindWindow(const std::string& sender, int type);
    void AddPartner(const std::string& address);
    void RemovePartner(const std::string& address);
    std::string NewOfferSecret();

    ChatIdentity identity_;
    RemoteCommandSender& sender_;
    const MsClock& clock_;
    std::set<std::string> partners_;
    std::set<std::string> asking_;                               // addresses with an open box
    std::map<std::string, std::vector<uint64_t>> requestTimes_;  // the last minute's boxes
    mutable std::mutex offerMutex_;                              // the list and every conversation's offers
    std::vector<std::shared_ptr<Conversation>> conversations_;
};

// This machine's address for chat: the listen address when it names one
// address, else the first IPv4 address, else "Unknown.".
std::string ThisMachineAddress(const std::string& listenAddress);
// "host[:port]" split; the port is `defaultPort` when none is given. A
// bracketed IPv6 address keeps no brackets.
void SplitHostPort(const std::string& text, int defaultPort, std::string* host, int* port);
// The offer key: "<ms>-<secret>/<address>/<path length>/<length of all before>".
std::string MakeOfferKey(uint64_t nowMs, const std::string& secret, const std::string& address,
                         const std::string& path);
// "/~SKYCMD/<key>/<path>" taken apart by the fourth field of the key.
bool ParseOfferUrl(const std::string& url, std::string* key, std::string* path);

}  // namespace sky::chat
