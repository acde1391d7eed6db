// skyharbor-cli contacts: add, list, export and import as a user runs them.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_run.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::CliRun;

CliRun Cli(const test::Sandbox& box, const std::string& args) {
    return test::RunCli(SKYHARBOR_CLI_PATH, box, args);
}

TEST(ContactsCli, AddListExportImport) {
    test::Sandbox box;
    std::string book = box.path("Sky Address Book/Address Book/");
    auto first =
        Cli(box, "contacts add --first John --last Smith --email john@example.org --member-id jsmith");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, book + "JohnSmith\n");
    auto second = Cli(box, "contacts add --first John --last Smith --email other@example.org");
    EXPECT_EQ(second.out, book + "JohnSmith1\n");

    auto none = Cli(box, "contacts add --first \"'\" --last \"\"");
    EXPECT_NE(none.status, 0);
    EXPECT_TRUE(none.out.empty());

    auto all = Cli(box, "contacts list");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("John Smith\tjohn@example.org\t" + book + "JohnSmith\n"), std::string::npos);
    EXPECT_NE(all.out.find("Comments\t"), std::string::npos);  // the maker's folder is there too

    auto outside = Cli(box, "contacts list ../..");
    EXPECT_NE(outside.status, 0);

    std::string vcf = box.path("out.vcf");
    auto exp = Cli(box, "contacts export-vcard '" + vcf + "' 'Address Book'");
    ASSERT_EQ(exp.status, 0) << exp.err;
    std::string cards = test::ReadFile(vcf);
    EXPECT_NE(cards.find("EMAIL;TYPE=INTERNET;TYPE=PREF:john@example.org\r\n"), std::string::npos);
    EXPECT_NE(cards.find("X-SKYHARBOR-ID:jsmith\r\n"), std::string::npos);

    auto imp = Cli(box, "contacts import-vcard '" + vcf + "' --folder Copies");
    ASSERT_EQ(imp.status, 0) << imp.err;
    auto copies = Cli(box, "contacts list Copies");
    EXPECT_NE(
        copies.out.find("John Smith\tjohn@example.org\t" + box.path("Sky Address Book/Copies/JohnSmith")),
        std::string::npos);
    EXPECT_NE(copies.out.find("John Smith\tother@example.org\t"), std::string::npos);
    EXPECT_NE(copies.out.find("Suggest a Site\t"), std::string::npos);

    // A card whose name has no Latin letters is kept all the same.
    test::WriteFile(box.path("zh.vcf"),
                    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\u5F20;\u4E09;;;\r\nFN:\u5F20\u4E09\r\n"
                    "EMAIL:zhang.san@example.cn\r\nEND:VCARD\r\n");
    auto zh = Cli(box, "contacts import-vcard '" + box.path("zh.vcf") + "' --folder Copies");
    EXPECT_EQ(zh.status, 0) << zh.err;
    EXPECT_EQ(zh.out, box.path("Sky Address Book/Copies/zhang.san") + "\n");

    test::WriteFile(box.path("empty.vcf"), "nothing here\n");
    EXPECT_NE(Cli(box, "contacts import-vcard '" + box.path("empty.vcf") + "'").status, 0);
}

}  // namespace
}  // namespace sky
