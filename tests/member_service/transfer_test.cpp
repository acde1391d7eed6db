#include <sys/stat.h>

#include <cstring>
#include <regex>

#include "core/webspace/record_writer.h"
#include "core/webspace/transfer_record.h"
#include "service_fixture.h"

namespace sky::member::test {
namespace {

using namespace sky::webspace;
using namespace sky::webspace::test;

struct Head {
    uint32_t size = 0;
    uint16_t one = 0, status = 0xFFFF;
    std::string text;
};

Head ReadHead(const std::string& reply) {
    Head h;
    if (reply.size() < 20) return h;
    auto u32 = [&reply](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(reply[at + i]);
        return v;
    };
    h.size = u32(0);
    h.one = uint16_t(uint8_t(reply[4]) | uint8_t(reply[5]) << 8);
    h.status = uint16_t(uint8_t(reply[6]) | uint8_t(reply[7]) << 8);
    uint32_t len = u32(12);
    if (16 + size_t(len) <= reply.size()) h.text = reply.substr(16, len);
    return h;
}

class TransferTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        AddAlice();
    }
    Reply Post(const std::string& record, const char* script = "/Scripts/Userdata.dll") {
        return HttpPost(Url(script), record);
    }
    uint16_t Status(const std::string& record) {
        Reply r = Post(record);
        EXPECT_EQ(r.code, 200);
        Head h = ReadHead(r.body);
        EXPECT_EQ(h.size, 20u);
        EXPECT_EQ(h.one, 1);
        return h.status;
    }
};

TEST_F(TransferTest, UploadInTwoPiecesListThenDelete) {
    std::string first(36864, 'a'), second = "tail";
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "C:\\web\\big.htm", "big.htm", 0, first)),
              kStatusOk);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "C:\\web\\big.htm", "big.htm", 36864, second)),
              kStatusOk);
    EXPECT_EQ(Get("/~alice/big.htm").body, first + second);
    // A piece sent again (a retry) is written over, not added twice.
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "C:\\web\\big.htm", "big.htm", 36864, second)),
              kStatusOk);
    EXPECT_EQ(Get("/~alice/big.htm").body, first + second);

    Reply listing = Post(WebRecord(kListFiles, "alice", "secret", "", ""));
    Head h = ReadHead(listing.body);
    EXPECT_EQ(h.status, kStatusOk);
    size_t header = h.text.find("\r\n");
    ASSERT_NE(header, std::string::npos);
    std::string line = h.text.substr(header + 2);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex("(\\d{14}),(\\d+),1,big\\.htm\r\n"))) << line;
    EXPECT_EQ(m[2], "36868");

    // A new upload from offset 0 replaces the file.
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "big.htm", 0, "new")), kStatusOk);
    EXPECT_EQ(Get("/~alice/big.htm").body, "new");

    EXPECT_EQ(Status(WebRecord(kDeleteFile, "alice", "secret", "big.htm", "")), kStatusOk);
    EXPECT_EQ(Get("/~alice/big.htm").code, 404);
    EXPECT_EQ(Status(WebRecord(kDeleteFile, "alice", "secret", "big.htm", "")), kStatusNotFound);
    EXPECT_EQ(ReadHead(Post(WebRecord(kListFiles, "alice", "secret", "", "")).body).text.find(",1,"),
              std::string::npos);
}

TEST_F(TransferTest, ListingFitsTheProgramsReplyBuffer) {
    ::mkdir((data_ + "/webspace").c_str(), 0700);
    ::mkdir((data_ + "/webspace/alice").c_str(), 0700);
    for (int i = 0; i < 150; ++i)
        sky::test::WriteFile(
            data_ + "/webspace/alice/page-with-a-rather-long-name-" + std::to_string(i) + ".htm", "x");
    Reply r = Post(WebRecord(kListFiles, "alice", "secret", "", ""));
    Head h = ReadHead(r.body);
    EXPECT_EQ(h.status, kStatusOk);
    EXPECT_LE(r.body.size(), 4116u);
    EXPECT_GT(r.body.size(), 4000u);
    EXPECT_EQ(h.text.substr(h.text.size() - 2), "\r\n") << "only whole lines";
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "a,b.htm", 0, "x")), kStatusBadName);
}

TEST_F(TransferTest, RefusesStrangersAndWrongPasswords) {
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "wrong", "x", "a.htm", 0, "x")), kStatusBadLogin);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "mallory", "secret", "x", "a.htm", 0, "x")), kStatusBadLogin);
    EXPECT_EQ(Status(WebRecord(kListFiles, "alice", "", "", "")), kStatusBadLogin);
    EXPECT_EQ(Get("/~alice/a.htm").code, 404);
}

TEST_F(TransferTest, MalformedRecordsGetAStatusNeverAFile) {
    std::string good = WebRecord(kPutPiece, "alice", "secret", "x", "a.htm", 0, "data");

    Reply shortBody = Post(good.substr(0, 100));
    EXPECT_EQ(shortBody.code, 400);
    EXPECT_EQ(ReadHead(shortBody.body).status, kStatusMalformed);

    std::string truncated = good.substr(0, good.size() - 1);  // posted length now lies
    EXPECT_EQ(Status(truncated), kStatusMalformed);

    std::string lengths = good;
    U32(lengths, 160, 4 + 531);  // part length disagrees with the data length
    EXPECT_EQ(Status(lengths), kStatusMalformed);

    std::string tooLong = good;
    U32(tooLong, 168, 5000);
    EXPECT_EQ(Status(tooLong), kStatusMalformed);

    std::string noNul = good;
    std::memset(noNul.data() + 428, 'b', 256);  // remote name fills its field
    EXPECT_EQ(Status(noNul), kStatusMalformed);

    std::string command = good;
    U16(command, 32, 260);
    EXPECT_EQ(Status(command), kStatusMalformed);

    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "../escape.htm", 0, "x")), kStatusBadName);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", ".hidden", 0, "x")), kStatusBadName);
    EXPECT_EQ(Status(WebRecord(kDeleteFile, "alice", "secret", "..\\members.db", "")), kStatusBadName);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "gap.htm", 10, "x")), kStatusNotFound);
    EXPECT_TRUE(sky::test::ReadFile(data_ + "/webspace/escape.htm").empty());
    EXPECT_EQ(Get("/~alice/a.htm").code, 404);
}

class SpaceLimitTest : public TransferTest {
    void Configure(Options& options) override { options.maxSpace = 100000; }
};

TEST_F(SpaceLimitTest, AllSpacesTogetherStayUnderTheServicesLimit) {
    std::string error;
    ASSERT_TRUE(AddMember(data_, "bob", "pw", "p", "bob@example.org", &error)) << error;
    std::string big(60000, 'x');
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "a.bin", 0, big)), kStatusOk);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "bob", "pw", "x", "b.bin", 0, big)), kStatusTooLarge);
    EXPECT_EQ(Status(PublicPiece("bob", "pw", "p.bin", 0, big)), kStatusTooLarge);
    // Writing a file over itself needs no more room than it had.
    EXPECT_EQ(Status(WebRecord(kPutPiece, "alice", "secret", "x", "a.bin", 0, big)), kStatusOk);
    EXPECT_EQ(Status(WebRecord(kDeleteFile, "alice", "secret", "a.bin", "")), kStatusOk);
    EXPECT_EQ(Status(WebRecord(kPutPiece, "bob", "pw", "x", "b.bin", 0, big)), kStatusOk);
    // What is on disk counts after a restart too.
    ASSERT_TRUE(Restart());
    EXPECT_EQ(Status(PublicPiece("alice", "secret", "p.bin", 0, big)), kStatusTooLarge);
    EXPECT_EQ(Status(PublicPiece("alice", "secret", "p.bin", 0, std::string(30000, 'y'))), kStatusOk);
    EXPECT_EQ(Get("/~bob/b.bin").body, big);
}

TEST_F(TransferTest, PublicSpacePiecesAppendForMembersOnly) {
    std::string a(900, 'p'), b(100, 'q');
    Reply r = Post(PublicPiece("alice", "secret", "notes.htm", 0, a), "/Scripts/UserData.dll");
    EXPECT_EQ(ReadHead(r.body).status, kStatusOk);
    r = Post(PublicPiece("alice", "secret", "notes.htm", 900, b), "/scripts/userdata.dll");
    EXPECT_EQ(ReadHead(r.body).status, kStatusOk);
    EXPECT_EQ(Get("/public/notes.htm").body, a + b);
    EXPECT_EQ(sky::test::ReadFile(data_ + "/public/notes.htm"), a + b);

    EXPECT_EQ(Status(PublicPiece("alice", "nope", "notes.htm", 0, "x")), kStatusBadLogin);
    // Another member may post files of his own, but not over hers.
    std::string error;
    ASSERT_TRUE(AddMember(data_, "bob", "pw", "p", "bob@example.org", &error)) << error;
    EXPECT_EQ(Status(PublicPiece("bob", "pw", "notes.htm", 0, "mine")), kStatusBadLogin);
    EXPECT_EQ(Status(PublicPiece("bob", "pw", "bob.htm", 0, "mine")), kStatusOk);
    // Web-space lengths on a public-space piece do not pass.
    std::string odd = PublicPiece("alice", "secret", "odd.htm", 0, "x");
    U32(odd, 160, 1 + 532);
    EXPECT_EQ(Status(odd), kStatusMalformed);
    EXPECT_EQ(Get("/public/notes.htm").body, a + b);
}

}  // namespace
}  // namespace sky::member::test
