#include <gtest/gtest.h>

#include "core/browser/navigation_hook.h"

namespace sky {
namespace {

HookInput In(const char* url, const char* zip = "") {
    HookInput in;
    in.url = url;
    in.webHost = "svc.example";
    in.zip = zip;
    in.account = "pilot";
    return in;
}

TEST(NavigationHook, SkystartBecomesTheStartRequest) {
    auto d = DecideNavigation(In("http://anything.example/SkyStart.htm", "90210"));
    EXPECT_TRUE(d.cancel);
    EXPECT_EQ(d.redirect, "http://svc.example/scripts/show.dll?Start&Z=90210&U=pilot&V=test");
    EXPECT_FALSE(d.applyMainFilter);
    // No code stored: the start request uses 10001.
    EXPECT_EQ(DecideNavigation(In("skystart")).redirect,
              "http://svc.example/scripts/show.dll?Start&Z=10001&U=pilot&V=test");
}

TEST(NavigationHook, ZipMarkerInAnyCase) {
    auto d = DecideNavigation(In("http://Svc.Example/Local?Z=__Zip__&x=__ZIP__", "02134"));
    EXPECT_TRUE(d.cancel);
    EXPECT_TRUE(d.passPostData);
    // Lower-cased, first marker only.
    EXPECT_EQ(d.redirect, "http://svc.example/local?z=02134&x=__zip__");
    EXPECT_EQ(DecideNavigation(In("http://a/__ZIP__")).redirect, "http://a/000000");
    auto plain = DecideNavigation(In("http://a/b"));
    EXPECT_FALSE(plain.cancel);
    EXPECT_TRUE(plain.applyMainFilter);
}

// Each redirect goes through the hook again: a code, account or host that
// holds a marker word must not send the view round for ever.
TEST(NavigationHook, RedirectsEndWhateverTheSettingsHold) {
    const struct {
        const char* url;
        const char* webHost;
        const char* zip;
        const char* account;
    } rows[] = {
        {"http://a/?z=__ZIP__", "svc.example", "x__Zip__", "pilot"},
        {"http://a/skystart", "svc.example", "02134", "skystarter"},
        {"http://a/skystart", "skystart.example", "", "pilot"},
        {"http://a/skystart", "svc.example", "__zip__", "pilot"},
        {"http://a/skystart", "svc.example", "skystart", "pilot"},
        {"http://a/skystart", "web__zip__", "x", "skystart"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.zip + std::string("|") + row.account + "|" + row.webHost);
        HookInput in;
        in.url = row.url;
        in.webHost = row.webHost;
        in.zip = row.zip;
        in.account = row.account;
        int hops = 0;
        for (HookDecision d = DecideNavigation(in); d.cancel && hops < 5; d = DecideNavigation(in), ++hops)
            in.url = d.redirect;
        EXPECT_LT(hops, 5) << in.url;
    }
    // The start request for a member named after the word still loads.
    HookInput start = In("http://svc.example/scripts/show.dll?Start&Z=02134&U=skystart&V=test");
    EXPECT_FALSE(DecideNavigation(start).cancel);
    EXPECT_EQ(DecideNavigation(In("http://a/__ZIP__", "__ZIP__")).redirect, "http://a/000000");
}

TEST(NavigationHook, ChannelIntroductionState) {
    HookInput in = In("http://SVC.example/scripts/CHANNELX.dll?GetPage&c=3");
    in.channelIntroOption = true;
    auto d = DecideNavigation(in);
    ASSERT_TRUE(d.introState.has_value());
    EXPECT_TRUE(*d.introState);
    EXPECT_FALSE(d.applyMainFilter);  // the introduction page skips the filter
    in.introState = true;
    EXPECT_FALSE(DecideNavigation(in).introState.has_value());  // already on
    in.channelIntroOption = false;
    in.introState = false;
    EXPECT_FALSE(DecideNavigation(in).introState.has_value());  // option off
    HookInput away = In("http://elsewhere.example/");
    away.introState = true;
    ASSERT_TRUE(DecideNavigation(away).introState.has_value());
    EXPECT_FALSE(*DecideNavigation(away).introState);
}

TEST(NavigationHook, WaitingWords) {
    const char* expected[] = {
        "",         "Please Wait", "Patience",      "Please Wait", "Patience", "Courage", "Please Wait",
        "Patience", "Please Wait", "Working on it", "Please Wait", "Patience", "Patience"};
    for (int n = 1; n <= 12; ++n) EXPECT_STREQ(WaitingWord(n), expected[n]) << n;
    EXPECT_STREQ(WaitingWord(1000), "Patience");
    EXPECT_EQ(StatusPopupText("Browser", "http://a/", 5),
              "Browser: Accessing Internet [http://a/] Courage...");
}

TEST(WebSearch, QueryEncoding) {
    EXPECT_EQ(EncodeSearchText("sail boats & #1"), "sail+boats+&+#1");
    EXPECT_EQ(WebSearchUrl("find.example", "a b"), "http://find.example/r?look=&key=a+b&search=0");
    EXPECT_EQ(NewsSearchUrl("news.example", "x  y"), "http://news.example/search/news?p=x++y");
}

}  // namespace
}  // namespace sky
