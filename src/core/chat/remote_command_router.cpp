#include "core/chat/remote_command_router.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/base/identity.h"
#include "core/base/log.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace sky::chat {

namespace {

constexpr uint64_t kFloodWindowMs = 60000;

// Forgets what is older than the flood window.
void ForgetOld(std::vector<uint64_t>& times, uint64_t now) {
    std::erase_if(times, [&](uint64_t t) { return now - t >= kFloodWindowMs; });
}

// The flood rule's sliding minute: true takes one of its few places.
bool TakePlace(std::vector<uint64_t>& times, uint64_t now) {
    ForgetOld(times, now);
    if (times.size() >= static_cast<size_t>(RemoteCommandRouter::kMaxRequestsPerMinute)) return false;
    times.push_back(now);
    return true;
}

bool IsLoopback(const std::string& address) {
    return address == "::1" || address.rfind("127.", 0) == 0;
}

bool IsNumericAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string StripMappedPrefix(const std::string& address) {
    if (StartsWithNoCase(address, "::ffff:") && address.find('.') != std::string::npos)
        return address.substr(7);
    return address;
}

}  // namespace

uint64_t SystemMsClock::NowMs() const {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

std::string ThisMachineAddress(const std::string& listenAddress) {
    std::string listen = Trim(listenAddress);
    if (!listen.empty() && listen != "0.0.0.0" && listen != "::" && listen != "*") return listen;
    std::string first = FirstIPv4Address();
    return first.empty() ? "Unknown." : first;
}

void SplitHostPort(const std::string& text, int defaultPort, std::string* host, int* port) {
    std::string trimmed = Trim(text);
    if (auto hp = ParseHostPort(trimmed, defaultPort, {.badPortIsDefault = true})) {
        *host = hp->host;
        *port = hp->port;
    } else {
        *host = trimmed;
        *port = defaultPort;
    }
}

std::string MakeOfferKey(uint64_t nowMs, const std::string& secret, const std::string& address,
                         const std::string& path) {
    std::string head =
        std::to_string(nowMs) + "-" + secret + "/" + address + "/" + std::to_string(path.size()) + "/";
    return head + std::to_string(head.size());
}

bool ParseOfferUrl(const std::string& url, std::string* key, std::string* path) {
    static constexpr std::string_view kPrefix = "/~SKYCMD/";
    if (!StartsWithNoCase(url, kPrefix)) return false;
    std::string rest = url.substr(kPrefix.size());
    // The fourth field starts behind the third "/".
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t slash = rest.find('/', start);
        if (slash == std::string::npos) return false;
        start = slash + 1;
    }
    size_t end = start;
    while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9') ++end;
    if (end == start || end - start > 6) return false;
    if (std::stoul(rest.substr(start, end - start)) != start) return false;
    if (end >= rest.size() || rest[end] != '/') return false;
    *key = rest.substr(0, end);
    *path = rest.substr(end + 1);
    return true;
}

RemoteCommandRouter::RemoteCommandRouter(ChatIdentity identity, RemoteCommandSender& sender,
                                         const MsClock& clock)
    : identity_(std::move(identity)), sender_(sender), clock_(clock) {}

RemoteCommandRouter::~RemoteCommandRouter() = default;

std::string RemoteCommandRouter::SenderAddress(const std::string& peerAddress) const {
    std::string peer = StripMappedPrefix(peerAddress);
    if (peer == identity_.address) return peer;
    // Two copies bound to two loopback addresses are two machines; a loopback
    // peer is only this machine when we are not on loopback ourselves.
    if (IsLoopback(peer) && !IsLoopback(identity_.address)) return identity_.address;
    return peer;
}

RouteResult RemoteCommandRouter::Route(const RemoteCommand& record, const std::string& peerAddress) {
    RouteResult result;
    const std::string sender = SenderAddress(peerAddress);
    const int type = record.type;
    const bool invalid = type < kCmdChatRequest || type > kCmdNotice || type == kCmdFileRequest;
    if (invalid || type == kCmdChatRequest) {
        if (!AdmitBox(sender)) return result;
        result.request = ChatRequest{record, sender};
    }
    if (invalid) {
        result.kind = RouteResult::Invalid;
        return result;
    }
    if (type == kCmdChatRequest) {
        AddPartner(sender);
        std::string subject = record.data.substr(0, record.data.find('\0'));
        result.kind = RouteResult::Ask;
        result.askText = Format("%s wants to chat.\n\nSubject: %s\n\nYou want to ?",
                                record.senderName.c_str(), subject.c_str());
        return result;
    }
    if (type == kCmdHangUp) RemovePartner(sender);
    if (auto window = FindWindow(sender, type)) {
        result.kind = RouteResult::Delivered;
        result.conversation = window;
        result.decision = window->Receive(record, sender);
        return result;
    }
    if (partners_.count(sender)) result.kind = RouteResult::CouldntFind;
    return result;
}

bool RemoteCommandRouter::AdmitBox(const std::string& sender) {
    // One open box per address, and a few boxes a minute at most.
    if (asking_.count(sender)) return false;
    const uint64_t now = clock_.NowMs();
    // Addresses quiet for a minute leave the map.
    for (auto it = requestTimes_.begin(); it != requestTimes_.end();) {
        ForgetOld(it->second, now);
        it = it->second.empty() ? requestTimes_.erase(it) : std::next(it);
    }
    if (!TakePlace(requestTimes_[sender], now)) {
        LogInfo("chat", "record from " + sender + " dropped: too many");
        return false;
    }
    asking_.insert(sender);
    return true;
}

void RemoteCommandRouter::InvalidShown(const ChatRequest& request) {
    asking_.erase(request.sender);
}

AnswerResult RemoteCommandRouter::AnswerChatRequest(const ChatRequest& request, bool yes) {
    AnswerResult result;
    asking_.erase(request.sender);
    if (!yes) {
        SendTo(request.sender, 0, kCmdChatRefused, identity_.accountName, request.record.conversation, {});
        result.kind = AnswerResult::Refused;
        return result;
    }
    if (auto window = FindWindow(request.sender, kCmdChatRequest)) {
        result.kind = AnswerResult::Delivered;
        result.conversation = window;
        result.decision = window->Receive(request.record, request.sender);
        return result;
    }
    if (!partners_.count(request.sender)) {
        result.kind = AnswerResult::HungUp;
        result.message = Format("%s has hung up!\n", request.record.senderName.c_str());
        return result;
    }
    auto window = std::make_shared<Conversation>(*this, request.sender, 0);
    {
        std::lock_guard lock(offerMutex_);
        conversations_.push_back(window);
    }
    result.kind = AnswerResult::Opened;
    result.conversation = window;
    result.decision = window->Receive(request.record, request.sender);
    return result;
}

std::shared_ptr<Conversation> RemoteCommandRouter::Call(const std::string& host,
                                                        const std::string& senderName,
                                                        const std::string& data) {
    std::string name;
    int port = 0;
    SplitHostPort(host.empty() ? "127.0.0.1" : host, 8080, &name, &port);
    if (name.empty()) name = "127.0.0.1";
    // The partner address is what its answers will be matched by: a peer
    // address, normalised like one.
    std::string partner = IsNumericAddress(StripMappedPrefix(name)) ? SenderAddress(name) : name;
    auto window = std::make_shared<Conversation>(*this, partner, port);
    window->calling_ = true;
    {
        std::lock_guard lock(offerMutex_);
        conversations_.push_back(window);
    }
    RemoteCommand record;
    record.senderName = senderName;
    record.type = kCmdChatRequest;
    record.senderIp = identity_.address;
    record.targetHost = name;
    record.conversation = 0;
    record.data = data;
    sender_.Send(name, port, std::move(record));
    return window;
}

void RemoteCommandRouter::Close(const std::shared_ptr<Conversation>& conversation) {
    if (!conversation || conversation->closed_) return;
    conversation->Send(kCmdHangUp);
    {
        std::lock_guard lock(offerMutex_);
        conversation->closed_ = true;
        std::erase(conversations_, conversation);
    }
    RemovePartner(conversation->partnerAddress_);
}

std::vector<std::shared_ptr<Conversation>> RemoteCommandRouter::conversations() const {
    std::lock_guard lock(offerMutex_);
    std::vector<std::shared_ptr<Conversation>> open;
    for (const auto& c : conversations_)
        if (!c->closed_) open.push_back(c);
    return open;
}

std::shared_ptr<Conversation> RemoteCommandRouter::FindWindow(const std::string& sender, int type) {
    std::lock_guard lock(offerMutex_);
    std::erase_if(conversations_, [](const auto& c) { return c->closed_; });
    for (const auto& c : conversations_)
        if (c->partnerAddress_ == sender) return c;
    if (sender == identity_.address && !conversations_.empty()) return conversations_.front();
    // A call made to a host name is answered from an address.
    if (type == kCmdChatAccepted || type == kCmdPermissionRefused || type == kCmdChatRefused) {
        for (const auto& c : conversations_) {
            if (c->calling_ && !IsNumericAddress(c->partnerAddress_)) {
                c->partnerAddress_ = sender;
                return c;
            }
        }
    }
    return nullptr;
}

void RemoteCommandRouter::AddPartner(const std::string& address) {
    if (partners_.insert(address).second && partnersChanged) partnersChanged(partners_);
}

void RemoteCommandRouter::RemovePartner(const std::string& address) {
    if (partners_.erase(address) && partnersChanged) partnersChanged(partners_);
}

std::string RemoteCommandRouter::NewOfferSecret() {
    uint64_t bits = 0;
    size_t got = 0;
    while (got < sizeof bits) {
        ssize_t n = getrandom(reinterpret_cast<char*>(&bits) + got, sizeof bits - got, 0);
        if (n > 0) got += static_cast<size_t>(n);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

void RemoteCommandRouter::SendTo(const std::string& address, int port, int type,
                                 const std::string& senderName, uint32_t conversation, std::string data,
                                 std::string first, std::string second) {
    RemoteCommand record;
    record.senderName = senderName;
    record.type = type;
    record.senderIp = identity_.address;
    record.conversation = conversation;
    record.targetHost = address;
    record.firstText = std::move(first);
    record.secondText = std::move(second);
    record.data = std::move(data);
    // The called side never learns the caller's port: it listens where we do.
    sender_.Send(address, port > 0 ? port : identity_.replyPort, std::move(record));
}

std::optional<std::string> RemoteCommandRouter::ResolveOffer(const std::string& url,
                                                             const std::string& peerAddress) {
    std::lock_guard lock(offerMutex_);
    std::string key, path;
    // Not a key this machine could have made: nobody is told.
    if (!ParseOfferUrl(url, &key, &path)) return std::nullopt;
    size_t a = key.find('/');
    size_t b = key.find('/', a + 1);
    if (key.substr(a + 1, b - a - 1) != identity_.address) return std::nullopt;

    std::shared_ptr<Conversation> window;
    for (const auto& c : conversations_) {
        if (!c->closed_ && c->offers_.count(key)) {
            window = c;
            break;
        }
    }
    const uint64_t now = clock_.NowMs();
    if (window && now - window->offerTime_ <= Conversation::kOfferLifetimeMs) return window->offers_.at(key);
    if (!window) {
        for (const auto& c : conversations_) {
            if (!c->closed_) {
                window = c;
                break;
            }
        }
    }
    LogInfo("chat", "offered file refused to " + peerAddress);
    if (!window || window->partnerAddress_.empty()) return std::nullopt;
    // Every refused fetch would be a post to the partner: a few a minute.
    if (!TakePlace(window->noticeTimes_, now)) return std::nullopt;
    SendTo(window->partnerAddress_, window->partnerPort_, kCmdNotice, window->myName_, window->conversation_,
           "Access Denied");
    return std::nullopt;
}

}  // namespace sky::chat
