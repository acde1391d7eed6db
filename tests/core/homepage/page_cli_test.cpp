#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "core/homepage/page_block.h"
#include "core/homepage/wizard_page.h"
#include "core/webspace/web_space_client.h"
#include "member_service/member_service.h"
#include "support/cli_run.h"
#include "support/sandbox.h"

namespace sky::homepage {
namespace {

using sky::test::ReadFile;
using sky::test::WriteFile;

class Quiet : public webspace::TransferListener {
public:
    void OnStatus(int, const std::string&) override {}
};

// The cli against the real member service, set up as the program would be.
class PageCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        dataDir_ = box_.path("service");
        std::filesystem::create_directories(dataDir_);
        member::Options options;
        options.port = 0;
        options.dataDir = dataDir_;
        service_ = std::make_unique<member::MemberService>(options);
        ASSERT_TRUE(service_->Start(&error)) << error;
        ASSERT_TRUE(member::AddMember(dataDir_, "alice", "secret", "hint", "a@example.org", &error)) << error;
        host_ = "127.0.0.1:" + std::to_string(service_->port());
        WriteFile(box_.path("skyharbor.ini"),
                  "[Service]\nEmbedded=0\nWebHost=" + host_ + "\n[Misc]\nAccount=alice\n");
        WriteFile(box_.path("pw"), "secret\n");
        std::filesystem::create_directories(box_.path("site"));
    }
    sky::test::CliRun Cli(const std::string& args) {
        return sky::test::RunCli(SKYHARBOR_CLI_PATH, box_, args);
    }
    sky::test::CliRun Publish(const std::string& args) {
        return Cli("page publish --password-file '" + box_.path("pw") + "' " + args);
    }
    // The member's page as a browser gets it.
    std::string Fetch(const std::string& name) {
        Quiet q;
        std::string local = box_.path("fetched");
        std::filesystem::remove(local);
        if (webspace::DownloadFile("http://" + host_ + "/~alice/" + name, local, q, {}) != 0)
            return "(missing)";
        return ReadFile(local);
    }
    // Each upload lands by a rename, so a file sent again is a new inode.
    uint64_t Stored(const std::string& name) {
        struct stat st {};
        return ::stat((dataDir_ + "/webspace/alice/" + name).c_str(), &st) == 0 ? uint64_t(st.st_ino) : 0;
    }

    sky::test::Sandbox box_;
    std::string dataDir_, host_;
    std::unique_ptr<member::MemberService> service_;
};

TEST_F(PageCli, StarterPagePublishedComesBackByteForByte) {
    std::string page = box_.path("site/index.htm");
    auto made =
        Cli("page starter --title 'Tom & Jerry' --subtitle 'OUR PAGE' --contact 'Call 100%' '" + page + "'");
    ASSERT_EQ(made.status, 0) << made.err;
    std::string bytes = ReadFile(page);
    EXPECT_NE(bytes.find("<!--##TITLE##-->Tom &amp; Jerry<!--##ENDTITLE##-->"), std::string::npos);
    EXPECT_NE(bytes.find("Call 100%<!--##ENDTEXT##-->"), std::string::npos);
    EXPECT_NE(bytes.find("<IMG SRC=http://" + host_ + "/art/bwlogo.gif>"), std::string::npos);

    auto pub = Publish("'" + page + "'");
    ASSERT_EQ(pub.status, 0) << pub.err;
    EXPECT_EQ(pub.out, "uploaded\tindex.htm\n");  // the logo is the service's own
    EXPECT_EQ(Fetch("index.htm"), bytes);

    // Under another name, and a refused login fails.
    EXPECT_EQ(Publish("'" + page + "' home.htm").status, 0);
    EXPECT_EQ(Fetch("home.htm"), bytes);
    WriteFile(box_.path("bad-pw"), "nope\n");
    EXPECT_EQ(Cli("page publish --password-file '" + box_.path("bad-pw") + "' '" + page + "'").status, 1);
}

TEST_F(PageCli, PublishSendsEachLocalImageOnceAndNothingOutsideTheFolder) {
    WriteFile(box_.path("secret.gif"), "private");
    WriteFile(box_.path("site/logo.gif"), std::string("GIF89a\0\1\2", 9));
    WriteFile(box_.path("site/bg.gif"), "background");
    std::string page = box_.path("site/me.htm");
    WriteFile(page,
              "<HTML><BODY BACKGROUND=bg.gif><IMG SRC=\"logo.gif\"><img src=logo.gif>"
              "<IMG SRC=../secret.gif><IMG SRC=" +
                  box_.path("secret.gif") +
                  "><IMG SRC=pics/x.gif>"
                  "<IMG SRC=gone.gif><IMG SRC=http://example.org/far.gif></BODY></HTML>");

    auto first = Publish("'" + page + "' index.htm");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("uploaded\tbg.gif\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("uploaded\tlogo.gif\n"), std::string::npos) << first.out;
    EXPECT_TRUE(first.out.ends_with("uploaded\tindex.htm\n")) << first.out;
    for (const char* ref : {"../secret.gif", "pics/x.gif", "gone.gif"})
        EXPECT_NE(first.out.find(std::string("skipped\t") + ref + "\n"), std::string::npos) << ref;
    EXPECT_NE(first.out.find("skipped\t" + box_.path("secret.gif") + "\n"), std::string::npos);
    EXPECT_NE(first.err.find("../secret.gif is not sent: it leaves the page's folder"), std::string::npos);
    EXPECT_EQ(first.out.find("far.gif"), std::string::npos);
    EXPECT_EQ(Fetch("logo.gif"), std::string("GIF89a\0\1\2", 9));
    EXPECT_EQ(Fetch("secret.gif"), "(missing)");
    uint64_t logo = Stored("logo.gif"), bg = Stored("bg.gif"), index = Stored("index.htm");
    ASSERT_NE(logo * bg * index, 0u);

    // The second time only the page goes; an image that changed goes again.
    auto second = Publish("'" + page + "' index.htm");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("present\tlogo.gif\n"), std::string::npos) << second.out;
    EXPECT_EQ(Stored("logo.gif"), logo);
    EXPECT_EQ(Stored("bg.gif"), bg);
    EXPECT_NE(Stored("index.htm"), index);

    WriteFile(box_.path("site/bg.gif"), "a new background");
    ASSERT_EQ(Publish("'" + page + "' index.htm").status, 0);
    EXPECT_EQ(Stored("logo.gif"), logo);
    EXPECT_EQ(Fetch("bg.gif"), "a new background");
}

TEST_F(PageCli, BlocksAndResaveOnARealPage) {
    std::string page = box_.path("site/start.htm");
    ASSERT_EQ(Cli("page starter '" + page + "'").status, 0);
    // A block the editor does not know and one raw HTML block at the end.
    std::string text = ReadFile(page);
    text.insert(text.rfind("</HTML>"), "<!--##HP:FOO~x~1~##--><P>kept</P><!--##HP:PLAIN~tail~3~##--><HR>");
    WriteFile(page, text);

    auto blocks = Cli("page blocks '" + page + "'");
    ASSERT_EQ(blocks.status, 0) << blocks.err;
    EXPECT_EQ(blocks.out,
              "HiddenBlock\t\t0\tBare HTML Block\n"
              "ColorSchemeBlock\t\t0\tColor Scheme\n"
              "TitleBlock\t \t0\tTitle Block\n"
              "ParagraphBlock\tINTRO\t0\tParagraph:INTRO\n"
              "ParagraphBlock\tDETAILS\t0\tParagraph:DETAILS\n"
              "ParagraphBlock\tWRAP-UP\t0\tParagraph:WRAP-UP\n"
              "UnmarkedBlock\tx\t1\t\n"
              "HtmlBlock\ttail\t3\tHTML:tail\n");

    std::string once = box_.path("once.htm"), twice = box_.path("twice.htm");
    ASSERT_EQ(Cli("page resave '" + page + "' '" + once + "'").status, 0);
    ASSERT_EQ(Cli("page resave '" + once + "' '" + twice + "'").status, 0);
    EXPECT_EQ(ReadFile(once), ReadFile(twice));
    EXPECT_NE(ReadFile(once).find("<!--##HP:FOO~x~1~##--><P>kept</P>"), std::string::npos);
    EXPECT_NE(ReadFile(once).find("This is my very own page."), std::string::npos);

    EXPECT_EQ(Cli("page blocks '" + box_.path("none.htm") + "'").status, 1);
    auto unwritable = Cli("page resave '" + page + "' '" + box_.path("no/such/dir/x.htm") + "'");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Could not open file: "), std::string::npos) << unwritable.err;
}

TEST_F(PageCli, WizardPageReadsBack) {
    std::string out = box_.path("wiz.htm");
    auto made =
        Cli("page wizard --name Ann --email ann@example.org --company-url www.example.com "
            "--text 'Hi <there>' '" +
            out + "'");
    ASSERT_EQ(made.status, 0) << made.err;
    WizardPage page = ReadWizardPage(ReadFile(out));
    EXPECT_EQ(page.title, "Ann's Home Page");
    ASSERT_EQ(page.items.size(), 4u);
    EXPECT_NE(page.items[1].html.find("mailto:ann@example.org"), std::string::npos);
    EXPECT_NE(page.items[2].html.find("http://www.example.com"), std::string::npos);
    EXPECT_EQ(ReadContentItem("Text", page.items[3].html).description, "Hi <there>");
    EXPECT_NE(Cli("page wizard '" + out + "'").status, 0);  // the name is required
}

}  // namespace
}  // namespace sky::homepage
