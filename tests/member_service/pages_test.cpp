#include <sys/stat.h>

#include <regex>

#include "service_fixture.h"

namespace sky::member::test {
namespace {

// The program's reader of the tagged-line format: "~", a tag up to ":", a
// printable value up to the line end.
std::vector<std::pair<std::string, std::string>> TaggedValues(const std::string& file) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t at = 0;
    while ((at = file.find('~', at)) != std::string::npos) {
        size_t colon = file.find(':', at);
        if (colon == std::string::npos) break;
        size_t end = colon + 1;
        while (end < file.size() && file[end] >= 0x20 && file[end] <= 0x7E) ++end;
        out.emplace_back(file.substr(at + 1, colon - at - 1), file.substr(colon + 1, end - colon - 1));
        at = end;
    }
    return out;
}

using ChannelFileTest = ServiceTest;

TEST_F(ChannelFileTest, PublicFileIsWrittenAsTheProgramWritesChannels) {
    Reply r = Get("/skychan1.sky");
    ASSERT_EQ(r.code, 200);
    ASSERT_EQ(r.body.rfind("\r\n~**:*********\r\n~CH:", 0), 0u);
    EXPECT_NE(r.body.substr(r.body.size() - 2), "\r\n");
    auto values = TaggedValues(r.body);
    int channels = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [tag, value] = values[i];
        ASSERT_TRUE(tag == "**" || tag == "CH" || tag == "FO" || tag == "FN" || tag == "FU" || tag == "PN" ||
                    tag == "PU")
            << tag;
        if (tag == "CH") ++channels;
        if (tag == "FN" || tag == "PN") {
            ASSERT_LT(i + 1, values.size());
            EXPECT_EQ(values[i + 1].first, tag == "FN" ? "FU" : "PU");
            EXPECT_EQ(values[i + 1].second.rfind("https://", 0), 0u) << values[i + 1].second;
        }
    }
    EXPECT_GE(channels, 4);
    EXPECT_LE(channels, 6);
    EXPECT_NE(r.body.find("\r\n~**:- - -\r\n~FO:"), std::string::npos);
    EXPECT_NE(r.body.find("\r\n\r\n~PN:"), std::string::npos);
}

TEST_F(ChannelFileTest, SdfAndLocalFilesHoldOneChannelEach) {
    auto news = TaggedValues(Get("/channels/news.sdf").body);
    ASSERT_FALSE(news.empty());
    EXPECT_EQ(std::count_if(news.begin(), news.end(), [](auto& v) { return v.first == "CH"; }), 1);
    EXPECT_EQ(Get("/channels/nosuch.sdf").code, 404);

    std::string local = Get("/~skylocal/local2.htm").body;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(local, m, std::regex("href=\"(http://[^\"]+\\.sky)\"")));
    auto values = TaggedValues(HttpGet(m[1]).body);
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(values[1], std::make_pair(std::string("CH"), std::string("local")));
}

TEST_F(ChannelFileTest, LocalPageOpensAtTheRegionOfAKnownPostalCode) {
    auto firstSky = [](const std::string& page) {
        std::smatch m;
        return std::regex_search(page, m, std::regex("href=\"(http://[^\"]+\\.sky)\"")) ? m[1].str()
                                                                                        : std::string();
    };
    std::string plain = Get("/~skylocal/local2.htm").body;
    std::string east = Get("/~skylocal/local2.htm?zip=10001").body;
    std::string west = Get("/~skylocal/local2.htm?zip=94103").body;
    EXPECT_EQ(plain.find("Your postal code"), std::string::npos);
    EXPECT_NE(west.find("Your postal code 94103 is in the"), std::string::npos);
    // The region of the code comes first, and it is not the same for both coasts.
    EXPECT_EQ(firstSky(east), firstSky(plain));
    EXPECT_NE(firstSky(west), firstSky(plain));
    EXPECT_NE(west.find(firstSky(west), west.find(firstSky(west)) + 1), std::string::npos);
    for (const char* unknown : {"abc", "ABC12", "1234", "%3Cb%3E99999"})
        EXPECT_EQ(Get(std::string("/~skylocal/local2.htm?zip=") + unknown).body.find("Your postal code"),
                  std::string::npos)
            << unknown;
}

using DownloadTest = ServiceTest;

TEST_F(DownloadTest, InstallerIsServedByteExactOrMissing) {
    EXPECT_EQ(Get("/bin/skysetup.exe").code, 404);
    std::string installer("MZ\0\x90\xff\r\n", 7);
    installer += std::string(70000, '\x5a');
    ::mkdir((data_ + "/bin").c_str(), 0700);
    sky::test::WriteFile(data_ + "/bin/skysetup.exe", installer);
    Reply r = Get("/bin/skysetup.exe");
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.body, installer);

    // Its version, once the operator writes one beside it.
    EXPECT_EQ(Get("/bin/version.txt").code, 404);
    sky::test::WriteFile(data_ + "/bin/version.txt", "1.6\n");
    r = Get("/bin/version.txt");
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.body, "1.6\n");
}

using SearchTest = ServiceTest;

TEST_F(SearchTest, RedirectsToTheConfiguredEnginesWithEncodedWords) {
    Reply r = Get("/r?look=&key=red+fish%26chips&search=0");
    EXPECT_EQ(r.code, 302);
    EXPECT_EQ(r.location, "https://search.example/?q=red+fish%26chips");
    r = Get("/search/news?p=moon+landing");
    EXPECT_EQ(r.code, 302);
    EXPECT_EQ(r.location, "https://news.example/find?words=moon+landing");
}

using MemberPageTest = ServiceTest;

TEST_F(MemberPageTest, ServesWebSpaceIndexAndFinger) {
    AddAlice();
    EXPECT_EQ(Get("/~alice").code, 301);
    Reply listing = Get("/~alice/");
    EXPECT_EQ(listing.code, 200);
    EXPECT_NE(listing.body.find("No files yet"), std::string::npos);

    ::mkdir((data_ + "/webspace").c_str(), 0700);
    ::mkdir((data_ + "/webspace/alice").c_str(), 0700);
    sky::test::WriteFile(data_ + "/webspace/alice/index.htm", "<p>hi</p>");
    EXPECT_EQ(Get("/~alice/").body, "<p>hi</p>");
    EXPECT_EQ(Get("/~ALICE/INDEX.HTM").body, "<p>hi</p>");

    // Only her own ping sets what she runs: the one after her login.
    ASSERT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=secret").body, "__OK");
    Get("/Scripts/SkyReg.dll?Ping&Account=alice&InstallCookie=7&Action=START&Text=SKYB3&URL=SKY&Ver=1.5.2");
    Reply finger = Get("/~alice/finger.htm");
    EXPECT_EQ(finger.code, 200);
    EXPECT_NE(finger.body.find("<b>alice</b>"), std::string::npos);
    EXPECT_NE(finger.body.find("SkyHarbor 1.5.2"), std::string::npos);
    EXPECT_EQ(finger.body.find("alice@example.org"), std::string::npos) << "finger shows no e-mail";
    EXPECT_EQ(Get("/~bob/finger.htm").code, 404);
    EXPECT_EQ(Get("/~alice/..%2F..%2Fmembers.db").code, 404);
    EXPECT_EQ(Get("/~alice/.hidden").code, 404);
}

using PageTest = ServiceTest;

TEST_F(PageTest, HostileQueryValuesAreEscaped) {
    AddAlice();
    const std::string evil = "%3Cscript%3Ealert(1)%3C%2Fscript%3E%22";
    for (const std::string& q :
         {"/Scripts/channelx.dll?QueryUser&User=" + evil,
          "/Scripts/channelx.dll?GetPage&IC=1&U=x&CHANNEL=" + evil + "&SOURCE=srcSKYB3",
          "/scripts/show.dll?Start&Z=" + evil + "&U=" + evil + "&V=test", "/no/such/" + evil}) {
        std::string body = Get(q).body;
        EXPECT_EQ(body.find("<script>"), std::string::npos) << q;
        EXPECT_NE(body.find("&lt;script&gt;"), std::string::npos) << q;
    }
    // A Host header is only used when it looks like a host.
    std::string page = HttpGet(Url("/sky_start/skydata.htm"), "x\"><script>").body;
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST_F(PageTest, StartPageCarriesCommandsSearchAndChannelLinks) {
    std::string page = Get("/sky_start/skydata.htm").body;
    for (const char* word : {"register", "login", "updatesoftware", "search", "custchannels", "showfavs",
                             "localsettings", "lookfeel", "zoom"})
        EXPECT_NE(page.find(std::string("href=\"command:") + word + "\" target=\"_skycmd\""),
                  std::string::npos)
            << word;
    EXPECT_NE(page.find("name=\"key\""), std::string::npos);
    EXPECT_NE(page.find("skycommand://rlc:127.0.0.1:" + std::to_string(service_->port()) + "/skychan1.sky"),
              std::string::npos);
    EXPECT_NE(page.find("/channels/news.sdf\""), std::string::npos);
    // "localhost" would read as the do-nothing "local" command.
    ASSERT_TRUE(Restart("http://localhost:7780"));
    page = Get("/sky_start/skydata.htm").body;
    EXPECT_NE(page.find("\"skycommand://rlc:\""), std::string::npos);
}

TEST_F(MemberPageTest, AbsoluteAddressesComeFromThePublicAddressNeverTheHostHeader) {
    AddAlice();
    std::string own = "http://127.0.0.1:" + std::to_string(service_->port());
    Reply r = HttpGet(Url("/~alice"), "evil.example.com");
    EXPECT_EQ(r.code, 301);
    EXPECT_EQ(r.location, own + "/~alice/");
    EXPECT_EQ(HttpGet(Url("/sky_start/skydata.htm"), "evil.example.com").body.find("evil"),
              std::string::npos);

    std::string error;
    ASSERT_EQ(PostMessage(data_, PostKind::Broadcast, "/news/today.htm", &error), 1) << error;
    ASSERT_TRUE(Restart("https://harbor.example.org/"));
    r = HttpGet(Url("/~alice"), "evil.example.com");
    EXPECT_EQ(r.location, "https://harbor.example.org/~alice/");
    EXPECT_EQ(HttpGet(Url("/Scripts/SkyReg.dll?Ping&LastBroadcast=0"), "evil.example.com").body,
              "PONG#BROADCAST=1=https://harbor.example.org/news/today.htm#");
}

// A member who is logged in is not asked to register or log in again, on the
// start page or the chat page it leads to; a visitor, or a name nobody has, is.
TEST_F(MemberPageTest, MembersAreNotOfferedTheLoginAgain) {
    AddAlice();
    std::string member = Get("/scripts/show.dll?Start&Z=10001&U=alice&V=test").body;
    EXPECT_EQ(member.find("command:login"), std::string::npos);
    EXPECT_EQ(member.find("command:register"), std::string::npos);
    EXPECT_NE(member.find("/chat?u=alice\""), std::string::npos);
    std::string chat = Get("/chat?u=alice").body;
    EXPECT_EQ(chat.find("command:login"), std::string::npos);
    EXPECT_NE(chat.find("<b>alice</b>"), std::string::npos);
    for (const char* who : {"", "?u=nobody", "?u=%3Cb%3E"}) {
        std::string page = Get(std::string("/chat") + who).body;
        EXPECT_NE(page.find("command:login"), std::string::npos) << who;
    }
    EXPECT_NE(Get("/scripts/show.dll?Start&Z=10001&U=nobody&V=test").body.find("command:login"),
              std::string::npos);
}

TEST_F(PageTest, PickersAndTemplatesTargetTheWizardFrames) {
    std::smatch m;
    for (const char* kind : {"backgrounds", "bullets", "separators"}) {
        std::string page = Get(std::string("/wiz/") + kind + ".html").body;
        ASSERT_TRUE(std::regex_search(page, m, std::regex("href=\"([^\"?]+)\\?([^\"]+)\" target=\"wizard\"")))
            << kind;
        Reply image = HttpGet(m[1]);
        EXPECT_EQ(image.type, "image/gif");
        EXPECT_EQ(image.body.rfind("GIF89a", 0), 0u);
    }
    std::string list = Get("/~wiztemplates/base.htm").body;
    ASSERT_TRUE(std::regex_search(list, m, std::regex("href=\"[^\"?]+\\?([^\"]+)\" target=\"select\"")));
    std::string tmpl = HttpGet(m[1]).body;
    EXPECT_EQ(tmpl.rfind("<!--##HP:HIDDEN##--><HTML><!--##HP:COLORSCHEME##--><BODY ", 0), 0u);
    EXPECT_NE(tmpl.find("<!--##TITLE##-->"), std::string::npos);
    EXPECT_NE(tmpl.find("<!--##HP:BODYBLOCK~"), std::string::npos);
}

TEST_F(PageTest, CommentsAreStoredAndListedWithTheirTopic) {
    Reply topic =
        Get("/scripts/show.dll?AddTopic&C=12&O=guest&AP=x&PP=x&DESC=Gardens&LDESC=Roses%20%26%20more");
    EXPECT_EQ(topic.code, 200);
    EXPECT_NE(topic.body.find("Roses &amp; more"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(topic.body, m, std::regex("command:commentaddcomment:(\\d+)")));
    std::string id = m[1];
    Reply comment = Get("/scripts/show.dll?AddComment&T=" + id +
                        "&P=0&H=Aphids&U=guest&PWD=&TXT=Use%20soap&AURL=javascript:alert(1)&ADESC=x"
                        "&LURL=https://example.org/roses&LDESC=Rose%20society");
    EXPECT_NE(comment.body.find("Use soap"), std::string::npos);
    EXPECT_NE(comment.body.find("href=\"https://example.org/roses\""), std::string::npos);
    EXPECT_EQ(comment.body.find("javascript:"), std::string::npos);
    EXPECT_EQ(Get("/scripts/show.dll?AddComment&T=999&P=0&H=x&TXT=y").code, 404);
    std::string index = Get("/scripts/show.dll?Topics").body;
    EXPECT_NE(index.find("Gardens"), std::string::npos);
    EXPECT_NE(index.find("command:commentaddtopic:12\" target=\"_skycmd\""), std::string::npos);
}

}  // namespace
}  // namespace sky::member::test
