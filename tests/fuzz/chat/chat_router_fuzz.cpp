#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/chat/conversation.h"
#include "core/chat/remote_command_router.h"

namespace {

class NullSender : public sky::chat::RemoteCommandSender {
public:
    void Send(const std::string&, int, sky::chat::RemoteCommand record) override {
        if (record.Encode().size() < sky::chat::RemoteCommand::kFixedSize) __builtin_trap();
    }
};

class FixedClock : public sky::chat::MsClock {
public:
    uint64_t NowMs() const override { return 700000; }
};

}  // namespace

// The first byte picks the peer; the rest is the body a peer posted. Whatever
// arrives, the router and the window it feeds must hold.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sky::chat;
    if (size < 1) return 0;
    static const char* const kPeers[] = {"10.0.0.2", "10.0.0.1", "127.0.0.1", "::ffff:10.0.0.3"};
    std::string peer = kPeers[data[0] % 4];
    std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    auto record = RemoteCommand::Decode(body);
    if (!record) return 0;

    NullSender sender;
    FixedClock clock;
    ChatIdentity me;
    me.address = "10.0.0.1";
    me.accountName = "me";
    me.environment = [] { return std::string("ENV"); };
    RemoteCommandRouter router(me, sender, clock);
    if (data[0] & 4) router.Call(peer, "me", record->data);

    const int type = record->type;
    const bool invalid = type < kCmdChatRequest || type > kCmdNotice || type == kCmdFileRequest;
    for (int round = 0; round < 2; ++round) {
        auto before = router.conversations();
        auto partners = router.partners();
        RouteResult r = router.Route(*record, peer);
        // An invalid record is a box and nothing else: no window opens or changes.
        if (invalid) {
            if (r.kind != RouteResult::Invalid || r.conversation || router.conversations() != before ||
                router.partners() != partners)
                __builtin_trap();
            router.InvalidShown(r.request);
            continue;
        }
        std::shared_ptr<Conversation> window = r.conversation;
        Decision decision = r.decision;
        if (r.kind == RouteResult::Ask) {
            AnswerResult a = router.AnswerChatRequest(r.request, true);
            window = a.conversation;
            decision = a.decision;
        }
        if (!window) continue;
        if (decision.question) window->Answer(*decision.question, data[0] & 8);
        window->Type(record->data);
        window->Type("/" + record->firstText);
        for (size_t i = 0; i < window->items().size(); ++i) window->Choose(i);
        window->OfferFile(record->secondText, record->firstText);
        router.ResolveOffer(record->firstText, peer);
        router.ResolveOffer("/~SKYCMD/" + record->secondText + "/" + record->firstText, peer);
    }
    for (const auto& c : router.conversations()) router.Close(c);
    return 0;
}
