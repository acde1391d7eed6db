#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>

#include "chat_fakes.h"
#include "core/chat/remote_command_router.h"
#include "core/chat/remote_command_sender.h"
#include "core/httpsvr/http_server.h"
#include "support/sandbox.h"

namespace sky::chat {
namespace {

// One copy of the program: a router fed by its own server through a queue
// that the test's thread empties, as the ui's queued call does.
struct Copy {
    Copy(const std::string& address, int port, const std::string& account, const std::string& root)
        : sender(address, 5), router(Identity(address, port, account), sender, clock) {
        httpsvr::ServerOptions options;
        options.settings.root = root;
        options.settings.port = port;
        options.settings.listenAddress = address;
        options.offeredFiles = std::make_shared<httpsvr::FunctionOfferResolver>(
            [this](const std::string& url, const std::string& peer) {
                return router.ResolveOffer(url, peer);
            });
        httpsvr::ServerCallbacks callbacks;
        callbacks.remoteCommand = [this](const RemoteCommand& record, const std::string& peer) {
            std::lock_guard lock(mutex);
            inbox.push_back({record, peer});
        };
        server = std::make_unique<httpsvr::HttpServer>(options, callbacks);
        std::string error;
        started = server->Start(&error);
        EXPECT_TRUE(started) << address << ": " << error;
    }
    ~Copy() { server->Stop(); }

    static ChatIdentity Identity(const std::string& address, int port, const std::string& account) {
        ChatIdentity id;
        id.address = address;
        id.accountName = account;
        id.replyPort = port;
        return id;
    }
    // Routes what arrived; chat requests are kept for the test to answer.
    void Pump() {
        std::deque<ChatRequest> arrived;
        {
            std::lock_guard lock(mutex);
            arrived.swap(inbox);
        }
        for (const ChatRequest& r : arrived) {
            RouteResult result = router.Route(r.record, r.sender);
            if (result.kind == RouteResult::Ask) asked.push_back(result.request);
        }
    }

    test::ManualClock clock;
    HttpRemoteCommandSender sender;
    RemoteCommandRouter router;
    std::mutex mutex;
    std::deque<ChatRequest> inbox;
    std::vector<ChatRequest> asked;
    std::unique_ptr<httpsvr::HttpServer> server;
    bool started = false;
};

bool HasLine(const std::shared_ptr<Conversation>& c, const std::string& text, LineStyle style) {
    for (const ChatLine& l : c->lines())
        if (l.text == text && l.style == style) return true;
    return false;
}

class ChatLoopbackTest : public ::testing::Test {
protected:
    std::string Root(const std::string& name) {
        std::string root = sandbox_.path(name);
        std::filesystem::create_directories(root);
        return root;
    }
    bool WaitPumping(std::initializer_list<Copy*> copies, const std::function<bool()>& done) {
        return test::WaitFor([&] {
            for (Copy* c : copies) c->Pump();
            return done();
        });
    }
    test::Sandbox sandbox_;
};

TEST_F(ChatLoopbackTest, TwoCopiesChatTradeAndHangUp) {
    const int port = test::FreePort();
    Copy anna("127.0.0.2", port, "anna", Root("a"));
    Copy ben("127.0.0.3", port, "ben", Root("b"));
    ASSERT_TRUE(anna.started && ben.started);

    auto a = anna.router.Call("127.0.0.3:" + std::to_string(port), "anna-box", std::string("What ?\0", 7));
    ASSERT_TRUE(WaitPumping({&ben}, [&] { return !ben.asked.empty(); }));
    EXPECT_EQ(ben.asked[0].sender, "127.0.0.2");
    AnswerResult yes = ben.router.AnswerChatRequest(ben.asked[0], true);
    ASSERT_EQ(yes.kind, AnswerResult::Opened);
    auto b = yes.conversation;
    ASSERT_TRUE(WaitPumping({&anna}, [&] { return a->connected(); }));
    EXPECT_TRUE(HasLine(a, "ben [127.0.0.3] will talk to you !", LineStyle::System));
    EXPECT_EQ(a->Title(), "SkyChat: ben");

    a->Type("hello ben");
    b->Type("hi anna");
    ASSERT_TRUE(WaitPumping({&anna, &ben}, [&] {
        return HasLine(b, "hello ben", LineStyle::Partner) && HasLine(a, "hi anna", LineStyle::Partner);
    }));

    a->OfferLink("site", "http://s.example/");
    std::string file = Root("b/share") + "/a b.txt";
    test::WriteFile(file, "the offered file\n");
    b->OfferFile("notes", file);
    ASSERT_TRUE(WaitPumping({&anna, &ben}, [&] { return b->items().size() == 1 && a->items().size() == 1; }));
    EXPECT_EQ(b->Choose(0).url, "http://s.example/");
    std::string url = *a->Choose(0).url;

    auto [status, body] = test::Curl("'" + url + "'");
    EXPECT_EQ(status, 0) << url << "\n" << body;
    EXPECT_EQ(body, "the offered file\n");

    ben.clock.now += Conversation::kOfferLifetimeMs + 1;
    auto [status2, code] = test::Curl("-o /dev/null -w '%{http_code}' '" + url + "'");
    EXPECT_EQ(code, "400");
    ASSERT_TRUE(WaitPumping({&anna}, [&] { return HasLine(a, "Access Denied", LineStyle::System); }));

    ben.router.Close(b);
    ASSERT_TRUE(WaitPumping({&anna}, [&] { return !a->connected(); }));
    EXPECT_TRUE(HasLine(a, "ben has hung up!", LineStyle::System));
    EXPECT_TRUE(anna.router.partners().empty());
}

TEST_F(ChatLoopbackTest, ChatWithOneself) {
    const int port = test::FreePort();
    Copy me("127.0.0.1", port, "solo", Root("r"));
    ASSERT_TRUE(me.started);
    auto c = me.router.Call("127.0.0.1:" + std::to_string(port), "solo-box", std::string("What ?\0", 7));
    ASSERT_TRUE(WaitPumping({&me}, [&] { return !me.asked.empty(); }));
    AnswerResult yes = me.router.AnswerChatRequest(me.asked[0], true);
    EXPECT_EQ(yes.kind, AnswerResult::Delivered);
    EXPECT_EQ(yes.conversation, c);
    ASSERT_TRUE(WaitPumping(
        {&me}, [&] { return HasLine(c, "solo [127.0.0.1] will talk to you !", LineStyle::System); }));
    c->Type("echo");
    ASSERT_TRUE(WaitPumping({&me}, [&] { return HasLine(c, "echo", LineStyle::Partner); }));
    EXPECT_EQ(me.router.conversations().size(), 1u);
}

TEST_F(ChatLoopbackTest, AFailedPostIsOnlyTheSendersStatus) {
    HttpRemoteCommandSender sender("127.0.0.2", 5);
    std::mutex m;
    std::vector<bool> outcomes;
    sender.posted = [&](const std::string&, bool delivered) {
        std::lock_guard lock(m);
        outcomes.push_back(delivered);
    };
    RemoteCommand r;
    r.type = kCmdChatText;
    sender.Send("127.0.0.3", test::FreePort(), r);
    ASSERT_TRUE(test::WaitFor([&] {
        std::lock_guard lock(m);
        return !outcomes.empty();
    }));
    EXPECT_FALSE(outcomes[0]);
    EXPECT_EQ(sender.status(), "Error 2 occurred !");
}

}  // namespace
}  // namespace sky::chat
