#include <gtest/gtest.h>

#include "core/webspace/record_writer.h"
#include "core/webspace/transfer_record.h"

namespace sky::webspace::test {
namespace {

TEST(TransferRecordTest, ParsesTheFieldsOfEachKind) {
    std::string why;
    std::string rec = WebRecord(kPutPiece, "alice", "secret", "C:\\a\\x.htm", "x.htm", 7, "hello");
    auto t = ParseTransferRecord(rec, &why);
    ASSERT_TRUE(t) << why;
    EXPECT_FALSE(t->publicSpace);
    EXPECT_EQ(t->account, "alice");
    EXPECT_EQ(t->password, "secret");
    EXPECT_EQ(t->firstName, "C:\\a\\x.htm");
    EXPECT_EQ(t->secondName, "x.htm");
    EXPECT_EQ(t->offset, 7u);
    EXPECT_EQ(t->data, "hello");

    std::string piece = PublicPiece("bob", "pw", "p.htm", 900, "zz");
    t = ParseTransferRecord(piece, &why);
    ASSERT_TRUE(t) << why;
    EXPECT_TRUE(t->publicSpace);
    EXPECT_EQ(t->firstName, "p.htm");
    EXPECT_EQ(t->data, "zz");

    std::string list = WebRecord(kListFiles, "a", "b", "", "");
    ASSERT_EQ(list.size(), 695u);
    t = ParseTransferRecord(list, &why);
    ASSERT_TRUE(t) << why;
    EXPECT_EQ(t->command, kListFiles);
    U32(list, 168, 1);  // a command carries no data
    U32(list, 160, 533);
    U32(list, 12, 696);
    list += '\0';
    EXPECT_FALSE(ParseTransferRecord(list, &why));
}

}  // namespace
}  // namespace sky::webspace::test
