#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "core/app/download_job.h"
#include "core/app/sky_reg_client.h"
#include "core/base/paths.h"
#include "core/channels/channel_list.h"
#include "core/service/registration.h"
#include "member_service/member_service.h"
#include "support/sandbox.h"

using namespace sky;

namespace {

class ServiceSession : public ::testing::Test {
protected:
    void SetUp() override {
        member::Options options;
        options.port = 0;
        options.dataDir = sandbox_.path("service");
        service_ = std::make_unique<member::MemberService>(options);
        std::string error;
        ASSERT_TRUE(service_->Start(&error)) << error;
        host_ = "127.0.0.1:" + std::to_string(service_->port());
    }

    RegistrationEntries Entries(const std::string& member) {
        RegistrationEntries e{member, "pa-ss", "pa-ss", "what's it & why", "m@example.org", "Ann Lee", ""};
        NormaliseEntries(e);
        return e;
    }

    test::Sandbox sandbox_;
    std::unique_ptr<member::MemberService> service_;
    std::string host_;
};

TEST_F(ServiceSession, RegistrationThenLoginWithEveryAnswer) {
    EXPECT_EQ(Register(host_, Entries("Harbour.Pilot")), RegistrationOutcome::Ok);
    EXPECT_EQ(Register(host_, Entries("harbour.pilot")), RegistrationOutcome::Taken);
    // The service checks names itself too.
    EXPECT_EQ(Register(host_, Entries("skyking")), RegistrationOutcome::Error);

    CSkyRegClient client(host_);
    EXPECT_EQ(client.Login(" HARBOUR.PILOT ", "PA-SS"), 0);
    EXPECT_TRUE(client.loggedIn());
    EXPECT_EQ(client.account(), "harbour.pilot");

    CSkyRegClient wrong(host_);
    EXPECT_EQ(wrong.Login("harbour.pilot", "nope"), -24);
    // The apostrophe was dropped on the way; the "&" arrived whole.
    EXPECT_EQ(wrong.hint(), "whats it & why");
    EXPECT_FALSE(wrong.loggedIn());
    CSkyRegClient blank(host_);
    EXPECT_EQ(blank.Login("harbour.pilot", ""), -24);
    EXPECT_EQ(blank.hint(), "whats it & why");
    CSkyRegClient unknown(host_);
    EXPECT_EQ(unknown.Login("nobody.here", "x"), -26);
    EXPECT_EQ(CSkyRegClient("127.0.0.1:" + std::to_string(test::FreePort())).Login("a", "b") < 0, true);
}

TEST_F(ServiceSession, DownloadsThePublicChannelsAndMissesAnAbsentInstaller) {
    std::string target = sandbox_.path("skytemp.sdf");
    std::atomic<bool> cancel{false};
    long long total = -1, chunks = 0;
    DownloadJobEvents events;
    events.sizeKnown = [&](long long t) { total = t; };
    events.chunkWritten = [&](long long n) { chunks += n; };
    DownloadJobSpec spec{"http://" + host_ + "/skychan1.sky", target, DownloadJobId::ChannelFile, &cancel};
    ASSERT_EQ(RunDownloadJob(spec, events), download_result::kOk);
    EXPECT_GT(total, 0);
    EXPECT_EQ(chunks, total);
    CChannelList list;
    ASSERT_TRUE(list.Load(target));
    EXPECT_GE(list.size(), 3u);
    // Written back, the file is the same bytes: the service writes the format exactly.
    EXPECT_EQ(list.Serialize(), test::ReadFile(target));

    std::string installer = sandbox_.path("skysetup.exe");
    DownloadJobSpec update{"http://" + host_ + "/bin/skysetup.exe", installer, DownloadJobId::Installer,
                           &cancel};
    EXPECT_EQ(RunDownloadJob(update, {}), download_result::kUrlNotOpened);
    EXPECT_FALSE(std::filesystem::exists(installer));
}

}  // namespace
