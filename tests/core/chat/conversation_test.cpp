#include <gtest/gtest.h>

#include <regex>

#include "chat_fakes.h"
#include "core/base/url_codec.h"
#include "core/chat/conversation.h"
#include "support/sandbox.h"

namespace sky::chat {
namespace {

using test::RecordingSender;

RemoteCommand Rec(int type, std::string data = {}, std::string name = "bob", uint32_t conversation = 77) {
    RemoteCommand r;
    r.type = type;
    r.senderName = std::move(name);
    r.senderIp = "1.2.3.4";  // never believed: the peer address counts
    r.conversation = conversation;
    r.data = std::move(data);
    return r;
}

class ChatTest : public ::testing::Test {
protected:
    static ChatIdentity Me() {
        ChatIdentity me;
        me.address = "10.0.0.1";
        me.accountName = "alice";
        me.computerName = "box";
        me.engineBuild = "120";
        me.version = "2.0";
        me.environment = [] { return std::string("ENV"); };
        return me;
    }

    // A request from `peer` answered Yes; the records it sent are taken.
    std::shared_ptr<Conversation> Open(const std::string& peer = "10.0.0.2") {
        RouteResult asked = router_.Route(Rec(kCmdChatRequest, std::string("What ?\0", 7)), peer);
        EXPECT_EQ(asked.kind, RouteResult::Ask);
        AnswerResult answer = router_.AnswerChatRequest(asked.request, true);
        EXPECT_EQ(answer.kind, AnswerResult::Opened);
        sender_.Take();
        return answer.conversation;
    }
    // The one record sent since the last look, checked for its target.
    RemoteCommand One(const std::string& host = "10.0.0.2") {
        auto sent = sender_.Take();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.empty()) return {};
        EXPECT_EQ(sent[0].host, host);
        return sent[0].record;
    }
    RouteResult From(int type, std::string data = {}, const std::string& peer = "10.0.0.2") {
        return router_.Route(Rec(type, std::move(data)), peer);
    }

    test::Sandbox sandbox_;
    RecordingSender sender_;
    test::ManualClock clock_;
    RemoteCommandRouter router_{Me(), sender_, clock_};
};

TEST_F(ChatTest, RequestIsAskedAnsweredAndRefused) {
    RouteResult asked = router_.Route(Rec(kCmdChatRequest, std::string("What ?\0", 7)), "::ffff:10.0.0.2");
    ASSERT_EQ(asked.kind, RouteResult::Ask);
    EXPECT_EQ(asked.askText, "bob wants to chat.\n\nSubject: What ?\n\nYou want to ?");
    EXPECT_TRUE(router_.partners().count("10.0.0.2"));

    AnswerResult yes = router_.AnswerChatRequest(asked.request, true);
    ASSERT_EQ(yes.kind, AnswerResult::Opened);
    auto c = yes.conversation;
    EXPECT_EQ(c->Title(), "SkyChat: bob");
    EXPECT_EQ(c->lines().at(0).text, "You have answered bob [10.0.0.2]");
    RemoteCommand accepted = One();
    EXPECT_EQ(accepted.type, kCmdChatAccepted);
    EXPECT_EQ(accepted.senderName, "alice");
    EXPECT_EQ(accepted.senderIp, "10.0.0.1");
    EXPECT_EQ(accepted.conversation, 77u);

    RouteResult other = From(kCmdChatRequest, "hi", "10.0.0.3");
    ASSERT_EQ(router_.AnswerChatRequest(other.request, false).kind, AnswerResult::Refused);
    RemoteCommand refused = One("10.0.0.3");
    EXPECT_EQ(refused.type, kCmdChatRefused);
    EXPECT_EQ(refused.senderName, "alice");
    EXPECT_EQ(refused.conversation, 77u);
}

TEST_F(ChatTest, EveryArrivingTypeReachesTheWindow) {
    auto c = Open();
    auto last = [&] { return c->lines().back(); };

    EXPECT_EQ(From(kCmdPermissionRefused).kind, RouteResult::Delivered);
    EXPECT_EQ(last().text, "bob says no, thank you");
    From(kCmdChatText, std::string("hello\0", 6));
    EXPECT_EQ(last().text, "hello");
    EXPECT_EQ(last().style, LineStyle::Partner);

    RouteResult link = From(kCmdHotLink, std::string("docs\0http://x.org/\0", 19));
    EXPECT_TRUE(link.decision.itemsChanged);
    EXPECT_EQ(last().text, "I have sent you a hot link\r\nDescription: docs");
    RemoteCommand file = Rec(kCmdFileOffer, "notes");
    file.firstText = "/tmp/a b.txt";
    file.secondText = "5-k/10.0.0.2/12/18";
    router_.Route(file, "10.0.0.2");
    EXPECT_EQ(last().text, "I have sent you a file\r\nDescription: notes");
    ASSERT_EQ(c->items().size(), 2u);
    EXPECT_EQ(c->Choose(0).url, "http://x.org/");
    EXPECT_EQ(c->Choose(1).url, "http://10.0.0.2:8080/~SKYCMD/5-k/10.0.0.2/12/18//tmp/a%20b.txt");
    EXPECT_FALSE(c->Choose(2).url);

    From(kCmdFinger);
    EXPECT_EQ(c->lines()[c->lines().size() - 2].text, "You've been fingered");
    EXPECT_EQ(One().data,
              std::string("My Nickname: alice\r\nMy IP address: 10.0.0.1\r\nMy Computer Name: box\r\n"
                          "My I.E. Build: 120\r\nMy Skyharbor Version: 2.0\r\n") +
                  '\0');

    RouteResult home = From(kCmdSetHomePage, "www.sky.example");
    ASSERT_TRUE(home.decision.question);
    EXPECT_EQ(home.decision.question->text, "Do you give permission for bob to set your default home page?");
    EXPECT_EQ(c->Answer(*home.decision.question, true).setting->value, "http://www.sky.example");
    EXPECT_EQ(last().text, "Your default home page has been set to: \r\nwww.sky.example");
    EXPECT_EQ(One().data, std::string("Default home page set for: alice: \r\nwww.sky.example") + '\0');
    // A file or script address is refused without a question.
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "ftp://x/"}) {
        EXPECT_FALSE(From(kCmdSetHomePage, url).decision.question) << url;
        EXPECT_EQ(One().type, kCmdPermissionRefused);
    }

    RouteResult popup = From(kCmdSetPopupStatus, "0");
    ASSERT_TRUE(popup.decision.question);
    EXPECT_EQ(c->Answer(*popup.decision.question, true).setting->value, "0");
    EXPECT_EQ(last().text, "Your Accessing Internet Status Pop-Up Dialogs have been turned Off");
    EXPECT_EQ(One().data,
              std::string("Accessing Internet Status Pop-Up Dialogs have been turned off for alice") + '\0');

    RouteResult env = From(kCmdEnvironmentSettings);
    ASSERT_TRUE(env.decision.question);
    EXPECT_EQ(env.decision.question->text, "bob wants your environment settings.\n\nIs this Okay?");
    c->Answer(*env.decision.question, false);
    EXPECT_EQ(One().type, kCmdPermissionRefused);
    c->Answer(*env.decision.question, true);
    EXPECT_EQ(last().text, "Environment Settings Queried");
    EXPECT_EQ(One().data, std::string("ENV\0", 4));

    EXPECT_EQ(From(kCmdMailSettings).kind, RouteResult::Delivered);
    From(kCmdNotice, "Access Denied");
    EXPECT_EQ(last().text, "Access Denied");
    From(kCmdChatRefused);
    EXPECT_EQ(last().text, "bob does not want to chat");
    EXPECT_FALSE(c->connected());

    // Hang-up: the partner leaves the set; later records are dropped silently.
    From(kCmdHangUp);
    EXPECT_EQ(last().text, "bob has hung up!");
    EXPECT_FALSE(router_.partners().count("10.0.0.2"));
    router_.Close(c);
    EXPECT_EQ(From(kCmdChatText, "late").kind, RouteResult::Dropped);
}

TEST_F(ChatTest, PartnerWithoutWindowAndHangUpBeforeYes) {
    RouteResult asked = From(kCmdChatRequest, "subject");
    EXPECT_EQ(From(kCmdChatText, "x").kind, RouteResult::CouldntFind);
    EXPECT_EQ(From(kCmdHangUp).kind, RouteResult::Dropped);
    AnswerResult late = router_.AnswerChatRequest(asked.request, true);
    EXPECT_EQ(late.kind, AnswerResult::HungUp);
    EXPECT_EQ(late.message, "bob has hung up!\n");
    EXPECT_TRUE(router_.conversations().empty());
}

TEST_F(ChatTest, RequestsAndInvalidRecordsFromOneAddressAreLimited) {
    // Each invalid record is a box of its own, under the same rule as requests.
    for (int type : {0, 3, 11, 19, 1000}) {
        RouteResult r = From(type, {}, "10.0.0.5");
        ASSERT_EQ(r.kind, RouteResult::Invalid) << type;
        router_.InvalidShown(r.request);
    }
    EXPECT_EQ(From(19, {}, "10.0.0.5").kind, RouteResult::Dropped);
    EXPECT_EQ(From(kCmdChatRequest, {}, "10.0.0.5").kind, RouteResult::Dropped);
    RouteResult open = From(3, {}, "10.0.0.6");
    EXPECT_EQ(From(3, {}, "10.0.0.6").kind, RouteResult::Dropped);  // its box is open
    EXPECT_EQ(From(kCmdChatRequest, {}, "10.0.0.6").kind, RouteResult::Dropped);
    router_.InvalidShown(open.request);
    EXPECT_EQ(From(3, {}, "10.0.0.6").kind, RouteResult::Invalid);
    EXPECT_TRUE(router_.conversations().empty());
    EXPECT_TRUE(router_.partners().empty());

    RouteResult first = From(kCmdChatRequest);
    ASSERT_EQ(first.kind, RouteResult::Ask);
    EXPECT_EQ(From(kCmdChatRequest).kind, RouteResult::Dropped);  // a question is open
    EXPECT_EQ(From(kCmdChatRequest, {}, "10.0.0.9").kind, RouteResult::Ask);
    router_.AnswerChatRequest(first.request, false);
    for (int i = 0; i < 4; ++i) {
        RouteResult again = From(kCmdChatRequest);
        ASSERT_EQ(again.kind, RouteResult::Ask) << i;
        router_.AnswerChatRequest(again.request, false);
    }
    clock_.now += 59999;
    EXPECT_EQ(From(kCmdChatRequest).kind, RouteResult::Dropped);
    clock_.now += 1;
    EXPECT_EQ(From(kCmdChatRequest).kind, RouteResult::Ask);
}

TEST_F(ChatTest, TypedLinesAndCommands) {
    auto c = Open();
    for (int i = 0; i < 202; ++i) c->Type("line " + std::to_string(i));
    EXPECT_EQ(sender_.Take().back().record.data, std::string("line 201\0", 9));
    ASSERT_EQ(c->lines().size(), 201u);
    EXPECT_EQ(c->lines().front().text, "line 1");
    EXPECT_EQ(c->lines().back().sender, "Me");
    EXPECT_FALSE(c->Type("").clearInput);

    struct Case {
        const char* input;
        int type;
        const char* data;
        const char* host;
    };
    const Case cases[] = {
        {"/GET Env", kCmdEnvironmentSettings, "", "10.0.0.2"},
        {"/get env 10.0.0.5", kCmdEnvironmentSettings, "", "10.0.0.5"},
        {"/Get MailSettings", kCmdMailSettings, "", "10.0.0.5"},
        {"/get mailsettings 10.0.0.2", kCmdMailSettings, "", "10.0.0.2"},
        {"/Set PopupStatus 1", kCmdSetPopupStatus, "1", "10.0.0.2"},
        {"/set popupstatus   10.0.0.6 0 ", kCmdSetPopupStatus, "0", "10.0.0.6"},
        {"/SET HOMEPAGE www.Sky.example", kCmdSetHomePage, "www.Sky.example", "10.0.0.6"},
        {"/set homepage 10.0.0.2 http://a.example/", kCmdSetHomePage, "http://a.example/", "10.0.0.2"},
        {"/set homepage http://b.example/", kCmdSetHomePage, "http://b.example/", "10.0.0.2"},
        {"/FiNgEr", kCmdFinger, "", "10.0.0.2"},
    };
    for (const Case& k : cases) {
        EXPECT_TRUE(c->Type(k.input).clearInput) << k.input;
        RemoteCommand r = One(k.host);
        EXPECT_EQ(r.type, k.type) << k.input;
        EXPECT_EQ(r.data, k.data) << k.input;
    }
    for (const char* bad : {"/", "/bogus", "/fingerx", "/set popupstatus 2", "/set popupstatus",
                            "/set homepage ftp.example", "/set homepage", "/get envy"}) {
        EXPECT_EQ(c->Type(bad).warning, "Invalid Command!") << bad;
        EXPECT_TRUE(sender_.Take().empty()) << bad;
    }

    From(kCmdHangUp);
    Decision gone = c->Type("anyone?");
    EXPECT_EQ(gone.lines.at(0).text, "bob is not available!");
    EXPECT_TRUE(gone.clearInput);
    EXPECT_TRUE(sender_.Take().empty());
}

TEST_F(ChatTest, OfferedFilesAndTheirKeys) {
    auto c = Open();
    Decision link = c->OfferLink("site", "http://s.example/");
    EXPECT_EQ(link.lines.at(0).text, "Link Sent [http://s.example/]");
    std::string area("site\0http://s.example/\0", 23);
    area.resize(464, '\0');
    EXPECT_EQ(One().data, area);

    Decision offer = c->OfferFile("notes", "/srv/a b.txt");
    EXPECT_EQ(offer.lines.at(0).text, "File Sent [/srv/a b.txt]");
    const RemoteCommand r = One();
    EXPECT_EQ(r.firstText, "/srv/a b.txt");
    EXPECT_EQ(r.data.size(), 464u);
    EXPECT_EQ(r.data.substr(0, 6), std::string("notes\0", 6));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.secondText, m, std::regex(R"((1000-[0-9a-f]{16}/10\.0\.0\.1/12/)(\d+))")))
        << r.secondText;
    EXPECT_EQ(std::stoul(m[2]), m[1].length());

    // The URL the partner builds, as the server hands it over (escapes decoded).
    RemoteCommand mirror = r;
    RemoteCommandRouter other({.address = "10.0.0.2"}, sender_, clock_);
    auto theirs = other.Call("10.0.0.1", "x", "");
    mirror.type = kCmdChatAccepted;
    other.Route(mirror, "10.0.0.1");
    other.Route(r, "10.0.0.1");
    std::string url = *theirs->Choose(0).url;
    std::string served = PathDecode(url.substr(url.find("/~SKYCMD")));
    sender_.Take();

    clock_.now = 5000;
    c->OfferFile("more", "/srv/b");  // renews the time of every offer
    EXPECT_EQ(c->offerTime(), 5000u);
    clock_.now = 605000;
    EXPECT_EQ(router_.ResolveOffer(served, "10.0.0.2"), "/srv/a b.txt");
    EXPECT_TRUE(sender_.Take().size() == 1);  // the second offer only

    // A wrong secret is refused and the partner is told; a key made for
    // another address, or no key at all, fails without a word.
    std::string forged = served;
    forged[std::string("/~SKYCMD/1000-").size()] ^= 1;
    EXPECT_FALSE(router_.ResolveOffer(forged, "10.0.0.2"));
    RemoteCommand denied = One();
    EXPECT_EQ(denied.type, kCmdNotice);
    EXPECT_EQ(denied.data, "Access Denied");
    std::string elsewhere = std::regex_replace(served, std::regex("10\\.0\\.0\\.1"), "10.0.0.7");
    for (const std::string& bad : {elsewhere, std::string("/~SKYCMD/junk")}) {
        EXPECT_FALSE(router_.ResolveOffer(bad, "10.0.0.2")) << bad;
        EXPECT_TRUE(sender_.Take().empty()) << bad;
    }

    // A second window's offers are found too.
    auto second = Open("10.0.0.3");
    second->OfferFile("third", "/srv/c");
    std::string thirdKey = One("10.0.0.3").secondText;
    EXPECT_EQ(router_.ResolveOffer("/~SKYCMD/" + thirdKey + "//srv/c", "10.0.0.3"), "/srv/c");

    clock_.now = 605001;
    EXPECT_FALSE(router_.ResolveOffer(served, "10.0.0.2"));
    EXPECT_EQ(One().data, "Access Denied");

    // The partner hears of refusals a few times a minute, not once per fetch.
    size_t told = 0;
    for (int i = 0; i < 10; ++i) {
        router_.ResolveOffer(forged, "10.0.0.2");
        told += sender_.Take().size();
    }
    EXPECT_EQ(told, 3u);  // five in the minute, with the two above
    clock_.now += 60000;
    router_.ResolveOffer(forged, "10.0.0.2");
    EXPECT_EQ(One().data, "Access Denied");
}

TEST_F(ChatTest, AddressesOfCallsAndPeers) {
    EXPECT_EQ(router_.SenderAddress("127.0.0.1"), "10.0.0.1");
    EXPECT_EQ(router_.SenderAddress("::ffff:10.0.0.4"), "10.0.0.4");
    RemoteCommandRouter loop({.address = "127.0.0.2"}, sender_, clock_);
    EXPECT_EQ(loop.SenderAddress("127.0.0.3"), "127.0.0.3");

    auto byName = router_.Call("peer.example:9000", "box.10.0.0.1", std::string("What ?\0", 7));
    auto sent = sender_.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].port, 9000);
    EXPECT_EQ(sent[0].record.type, kCmdChatRequest);
    EXPECT_TRUE(byName->calling());
    EXPECT_EQ(From(kCmdChatAccepted, {}, "10.0.0.8").conversation, byName);
    EXPECT_EQ(byName->partnerAddress(), "10.0.0.8");
    EXPECT_EQ(byName->lines().back().text, "bob [10.0.0.8] will talk to you !");
    byName->Type("hi");
    EXPECT_EQ(sender_.Take().at(0).port, 9000);

    // Talking to oneself: the acceptance reaches the first open window.
    auto self = loop.Call("", "me", "");
    EXPECT_EQ(sender_.Take().at(0).host, "127.0.0.1");
    EXPECT_EQ(self->partnerAddress(), "127.0.0.1");
}

TEST(EnvironmentTest, ReportSaysUnknownForMissingValues) {
    std::string empty = EnvironmentReport({});
    EXPECT_EQ(
        empty.rfind(
            "ENVIRONMENT SETTINGS:Platform: Unknown PlatformUnknown VersionWindows Directory: Unknown", 0),
        0u);
    EXPECT_NE(empty.find("Volume Name:UnknownTotal Space (bytes): Unknown"), std::string::npos);
    EXPECT_TRUE(empty.ends_with("Total Free Memory (bytes): Unknown"));

    EnvironmentValues here = CollectEnvironment("/", "/tmp");
    std::string report = EnvironmentReport(here);
    EXPECT_EQ(report.rfind("ENVIRONMENT SETTINGS:Platform: Linux ", 0), 0u);
    EXPECT_GT(here.totalMemory, 0u);
    EXPECT_NE(report.find("Total Physical Memory (bytes): " + std::to_string(here.totalMemory)),
              std::string::npos);
    EXPECT_NE(report.find("Horizontal Resolution (pixels): Unknown"), std::string::npos);
}

}  // namespace
}  // namespace sky::chat
