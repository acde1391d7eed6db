#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "core/base/byte_fields.h"
#include "core/webspace/recording_proxy.h"
#include "core/webspace/transfer_record.h"
#include "core/webspace/web_space_client.h"
#include "member_service/member_service.h"
#include "support/cli_run.h"
#include "support/sandbox.h"

namespace sky::webspace::test {
namespace {

using sky::test::ReadFile;
using sky::test::WaitFor;
using sky::test::WriteFile;

// Everything a transfer reports, safe to read from the test's thread.
class Recorder : public TransferListener {
public:
    void OnStatus(int code, const std::string& text) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::to_string(code) + " " + text);
    }
    void OnMessage(const std::string& text) override {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
    }
    void OnPiece(const std::string& title, const std::string& line) override {
        std::lock_guard lock(mutex_);
        pieces_.push_back(title + "|" + line);
    }
    void OnDone(int code, int result, const std::string& reply) override {
        std::lock_guard lock(mutex_);
        done_.push_back({code, result});
        reply_ = reply;
    }
    std::vector<std::string> lines() const { return Copy(lines_); }
    std::vector<std::string> messages() const { return Copy(messages_); }
    std::vector<std::string> pieces() const { return Copy(pieces_); }
    std::vector<std::pair<int, int>> done() const { return Copy(done_); }
    std::string reply() const { return Copy(reply_); }
    bool Saw(const std::string& line) const {
        auto all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }

private:
    template <class T>
    T Copy(const T& v) const {
        std::lock_guard lock(mutex_);
        return v;
    }
    mutable std::mutex mutex_;
    std::vector<std::string> lines_, messages_, pieces_;
    std::vector<std::pair<int, int>> done_;
    std::string reply_;
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i * 7 + i / 251);
    return s;
}

class WebSpaceClient : public ::testing::Test {
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
        proxy_ = std::make_unique<RecordingProxy>(service_->port());
        target_.host = proxy_->host();
        target_.account = "alice";
        target_.password = "secret";
    }

    std::string Local(const std::string& name, const std::string& data) {
        std::string path = box_.path(name);
        WriteFile(path, data);
        return path;
    }
    std::string Fetch(const std::string& name) {
        Recorder r;
        std::string local = box_.path("fetched-" + name);
        if (DownloadFile(MemberFileUrl(target_.host, "alice", name), local, r, {}) != 0) return "(missing)";
        return ReadFile(local);
    }
    std::vector<std::string> Sending(const Recorder& r) {
        std::vector<std::string> out;
        for (const std::string& l : r.lines())
            if (l.rfind("4 -- Sending", 0) == 0) out.push_back(l.substr(2));
        return out;
    }

    sky::test::Sandbox box_;
    std::string dataDir_;
    std::unique_ptr<member::MemberService> service_;
    std::unique_ptr<RecordingProxy> proxy_;
    ServerTarget target_;
};

TEST_F(WebSpaceClient, PiecesOfAnUploadSplitAtTheLimit) {
    Recorder one;
    std::string exact = Bytes(36864);
    ASSERT_EQ(UploadFile(target_, Local("exact.bin", exact), "exact.bin", one, {}), 0);
    ASSERT_EQ(proxy_->bodies().size(), 1u);
    EXPECT_EQ(proxy_->bodies()[0].size(), 37559u);
    EXPECT_EQ(GetU32(proxy_->bodies()[0], 12), 37559u);
    EXPECT_TRUE(one.Saw("4 -- Total Size: 36864 bytes"));
    EXPECT_TRUE(one.Saw("4 ** Uploading " + box_.path("exact.bin") + " -> ~alice/exact.bin **"));

    Recorder two;
    std::string over = Bytes(36865);
    ASSERT_EQ(UploadFile(target_, Local("over.bin", over), "over.bin", two, {}), 0);
    auto bodies = proxy_->bodies();
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[1].size(), 37559u);
    EXPECT_EQ(bodies[2].size(), 696u);
    EXPECT_EQ(GetU32(bodies[2], 164), 36864u);
    EXPECT_EQ(Sending(two),
              (std::vector<std::string>{"-- Sending: 0-36864 of 36865", "-- Sending: 36864-36865 of 36865"}));
    // Every piece is followed by "Sent", after the exchange's own texts.
    auto lines = two.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "4 Sent"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "4 Results have been downloaded."), 2);
    ASSERT_EQ(two.done().size(), 1u);
    EXPECT_EQ(two.done()[0], std::make_pair(kUploadFinished, 0));

    EXPECT_EQ(Fetch("exact.bin"), exact);
    EXPECT_EQ(Fetch("over.bin"), over);
}

TEST_F(WebSpaceClient, AListUploadsEachFileUnderItsOwnNameAndFinishesOnce) {
    std::string x = Local("a/x.htm", "<p>x</p>");
    std::string y = Local("b/y.gif", "GIF89a");
    Recorder r;
    TransferWorker worker(r);
    ASSERT_TRUE(worker.StartUpload("?" + x + "?" + box_.path("none/missing.txt") + "?" + y, "", target_));
    ASSERT_TRUE(WaitFor([&] { return !r.done().empty(); }));
    worker.Join();
    EXPECT_EQ(r.done().size(), 1u);
    EXPECT_EQ(r.done()[0].first, kUploadFinished);
    // The missing file is skipped with its message; the others still go.
    EXPECT_EQ(r.done()[0].second, kLocalFileError);
    EXPECT_EQ(r.messages(), std::vector<std::string>{"error openning file"});
    EXPECT_EQ(Fetch("x.htm"), "<p>x</p>");
    EXPECT_EQ(Fetch("y.gif"), "GIF89a");

    Recorder empty;
    EXPECT_EQ(UploadFile(target_, Local("empty.htm", ""), "empty.htm", empty, {}), 0);
    EXPECT_EQ(proxy_->bodies().size(), 2u);
    EXPECT_TRUE(empty.Saw("4 -- Total Size: 0 bytes"));
}

TEST_F(WebSpaceClient, CommandsListAndDeleteWith695ByteRecords) {
    Recorder put;
    ASSERT_EQ(UploadFile(target_, Local("page.htm", "hello"), "page.htm", put, {}), 0);
    size_t before = proxy_->bodies().size();

    Recorder list;
    TransferWorker worker(list);
    ASSERT_TRUE(worker.StartCommand(kListFiles, "", "", kListReplySize, target_, kListMessage));
    ASSERT_TRUE(WaitFor([&] { return !list.done().empty(); }));
    worker.Join();
    EXPECT_EQ(list.done()[0], std::make_pair(kListMessage, 0));
    auto head = ReadTransferReply(list.reply());
    ASSERT_TRUE(head);
    EXPECT_NE(head->text.find(",5,1,page.htm\r\n"), std::string::npos) << head->text;
    EXPECT_TRUE(list.Saw("2 Processing locally..."));

    Recorder del;
    EXPECT_EQ(DeleteFile(target_, "page.htm", del, {}), 0);
    EXPECT_EQ(del.done()[0].first, kDeleteMessage);
    EXPECT_EQ(del.reply().size(), 20u);
    EXPECT_EQ(Fetch("page.htm"), "(missing)");
    Recorder gone;
    EXPECT_EQ(DeleteFile(target_, "page.htm", gone, {}), kStatusNotFound);

    auto bodies = proxy_->bodies();
    ASSERT_EQ(bodies.size(), before + 3);
    for (size_t i = before; i < bodies.size(); ++i) EXPECT_EQ(bodies[i].size(), 695u);
    // An operand too long for its field is cut, never spilled into the next.
    EXPECT_EQ(BuildCommandRecord(kDeleteFile, target_, std::string(400, 'n'), "").size(), 695u);
    EXPECT_EQ(BuildCommandRecord(kDeleteFile, target_, std::string(400, 'n'), "")[427], '\0');
}

TEST_F(WebSpaceClient, PublicSpaceGoesIn900BytePieces) {
    std::string data = Bytes(1000);
    Recorder r;
    EXPECT_EQ(PostToPublicSpace(target_, true, Local("p.bin", data), "p.bin", r, {}), kPublicAcknowledged);
    auto bodies = proxy_->bodies();
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0].size(), 900u + 694);
    EXPECT_EQ(bodies[1].size(), 100u + 694);
    std::string path = box_.path("p.bin");
    EXPECT_EQ(r.pieces(), (std::vector<std::string>{
                              "Post to Public Space for [alice]|[" + path + "] -> [p.bin] [0 - 900]",
                              "Post to Public Space for [alice]|[" + path + "] -> [p.bin] [900 - 100]"}));
    Recorder get;
    std::string local = box_.path("public-copy");
    ASSERT_EQ(DownloadFile("http://" + target_.host + "/public/p.bin", local, get, {}), 0);
    EXPECT_EQ(ReadFile(local), data);

    Recorder empty;
    EXPECT_EQ(PostToPublicSpace(target_, true, Local("e.bin", ""), "e.bin", empty, {}), kPublicRefused);
    Recorder out;
    EXPECT_EQ(PostToPublicSpace(target_, false, path, "p2.bin", out, {}), kPublicRefused);
    EXPECT_EQ(out.messages(),
              std::vector<std::string>{"You must be logged in to upload files to public space."});
    EXPECT_EQ(proxy_->bodies().size(), 2u);

    // A refused piece ends the post.
    ServerTarget wrong = target_;
    wrong.password = "nope";
    Recorder refused;
    EXPECT_EQ(PostToPublicSpace(wrong, true, path, "p3.bin", refused, {}), kPublicRefused);
    EXPECT_EQ(refused.pieces().size(), 1u);
}

TEST_F(WebSpaceClient, RefusedLoginAndUnreachableHostAreFailures) {
    ServerTarget wrong = target_;
    wrong.password = "nope";
    Recorder up;
    EXPECT_EQ(UploadFile(wrong, Local("f.htm", "x"), "f.htm", up, {}), kStatusBadLogin);
    Recorder list;
    std::string reply;
    EXPECT_EQ(ListFiles(wrong, list, {}, &reply), kStatusBadLogin);
    EXPECT_EQ(Fetch("f.htm"), "(missing)");

    ServerTarget nowhere = target_;
    nowhere.host = "127.0.0.1:" + std::to_string(sky::test::FreePort());
    Recorder r;
    EXPECT_EQ(ListFiles(nowhere, r, {}, &reply), -2);
    EXPECT_TRUE(r.Saw("2 Connecting to " + nowhere.host + "..."));
    EXPECT_TRUE(r.Saw("2 Error 2 occurred !"));

    // A fetch that fails leaves nothing behind, not even an old file's place taken.
    Recorder miss;
    std::string local = box_.path("never");
    EXPECT_NE(DownloadFile(MemberFileUrl(target_.host, "alice", "nothing.htm"), local, miss, {}), 0);
    EXPECT_FALSE(std::filesystem::exists(local));
    EXPECT_EQ(GetU16(miss.reply(), 6), 1u);
}

TEST_F(WebSpaceClient, DownloadReportsTheLocalPathAndCancelEndsAStalledPost) {
    Recorder put;
    ASSERT_EQ(UploadFile(target_, Local("d.htm", "body"), "d.htm", put, {}), 0);
    Recorder r;
    TransferWorker worker(r);
    std::string local = box_.path("d-copy.htm");
    ASSERT_TRUE(worker.StartDownload(MemberFileUrl(target_.host, "alice", "d.htm"), local, 7));
    ASSERT_TRUE(WaitFor([&] { return !r.done().empty(); }));
    worker.Join();
    EXPECT_EQ(r.done()[0], std::make_pair(7, 0));
    auto head = ReadTransferReply(r.reply());
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 0u);
    EXPECT_EQ(r.reply().size(), kDownloadReplySize);
    EXPECT_EQ(r.reply().substr(16, local.size()), local);
    EXPECT_EQ(ReadFile(local), "body");

    proxy_->stall = true;
    Recorder stalled;
    TransferWorker busy(stalled);
    std::string slow = Local("s.htm", Bytes(5000));
    ASSERT_TRUE(busy.StartUpload(slow, "s.htm", target_));
    EXPECT_FALSE(busy.StartUpload(slow, "s.htm", target_));
    ASSERT_TRUE(WaitFor([&] { return proxy_->bodies().size() == 2; }));
    busy.Cancel();
    ASSERT_TRUE(WaitFor([&] { return !busy.IsRunning(); }, std::chrono::milliseconds(5000)));
    ASSERT_EQ(stalled.done().size(), 1u);
    EXPECT_EQ(stalled.done()[0].second, kCancelled);
}

class WebSpaceCli : public WebSpaceClient {
protected:
    void SetUp() override {
        WebSpaceClient::SetUp();
        WriteFile(box_.path("skyharbor.ini"), "[Service]\nEmbedded=0\nWebHost=" + target_.host +
                                                  "\nPublicSpaceHost=" + target_.host +
                                                  "\n[Misc]\nAccount=alice\n");
        WriteFile(box_.path("pw"), "secret\n");
        WriteFile(box_.path("bad-pw"), "nope\n");
    }
    sky::test::CliRun Cli(const std::string& args) {
        return sky::test::RunCli(SKYHARBOR_CLI_PATH, box_,
                                 "webspace --password-file '" + box_.path("pw") + "' " + args);
    }
};

TEST_F(WebSpaceCli, PutListGetDeleteAndPost) {
    std::string local = Local("site.htm", "<h1>site</h1>");
    auto put = Cli("put '" + local + "'");
    EXPECT_EQ(put.status, 0) << put.err;
    EXPECT_NE(put.err.find("-- Sending: 0-13 of 13"), std::string::npos) << put.err;

    auto list = Cli("list");
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find(",13,1,site.htm"), std::string::npos) << list.out;

    auto get = Cli("get site.htm '" + box_.path("back.htm") + "'");
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(ReadFile(box_.path("back.htm")), "<h1>site</h1>");

    EXPECT_EQ(Cli("delete site.htm").status, 0);
    EXPECT_NE(Cli("delete site.htm").status, 0);
    EXPECT_NE(Cli("get site.htm '" + box_.path("again.htm") + "'").status, 0);

    auto post = Cli("post '" + local + "' shared.htm");
    EXPECT_EQ(post.status, 0) << post.err;
    EXPECT_NE(post.err.find("Post to Public Space for [alice]"), std::string::npos);

    auto refused =
        sky::test::RunCli(SKYHARBOR_CLI_PATH, box_,
                          "webspace --password-file '" + box_.path("bad-pw") + "' put '" + local + "'");
    EXPECT_EQ(refused.status, 1);
    auto other = sky::test::RunCli(SKYHARBOR_CLI_PATH, box_,
                                   "webspace --user bob --password-file '" + box_.path("pw") + "' list");
    EXPECT_EQ(other.status, 1);
}

}  // namespace
}  // namespace sky::webspace::test
