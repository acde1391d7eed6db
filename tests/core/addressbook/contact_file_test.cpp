// Contact files as other copies wrote them, their names, folders and the tree.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/addressbook/address_book.h"
#include "core/addressbook/contact.h"
#include "support/sandbox.h"

namespace sky::addressbook {
namespace {

using namespace std::string_literals;

// A contact written by hand: every string given, "keep me" in the string no
// page shows and 0x12345678 in the word between the two groups.
std::string HandMadeFile() {
    std::string f = "\x53\xB6\x7D\x82"s + "\x01\x00\x00\x00"s;
    for (const char* s :
         {"John", "Smith", "Q", "John Smith", "Johnny", "john@example.org", "12345", "jsmith"})
        f += char(std::strlen(s)) + std::string(s);
    f += "\x78\x56\x34\x12"s;
    for (int i = 0; i < 24; ++i) {
        std::string s = i == 9 ? "keep me" : i == 23 ? "chat:10.0.0.7:8081" : "f" + std::to_string(i);
        f += char(s.size()) + s;
    }
    return f;
}

TEST(ContactFile, AFileFromElsewhereReadsAndWritesBackByteForByte) {
    std::string file = HandMadeFile();
    CABEntry e;
    ASSERT_TRUE(CABEntry::Parse(file, &e));
    EXPECT_EQ(e.firstName, "John");
    EXPECT_EQ(e.lastName, "Smith");
    EXPECT_EQ(e.displayName, "John Smith");
    EXPECT_EQ(e.email, "john@example.org");
    EXPECT_EQ(e.memberId, "jsmith");
    EXPECT_EQ(e.word, 0x12345678u);
    EXPECT_EQ(e.homeStreet, "f0");
    EXPECT_EQ(e.otherEmails, "keep me");
    EXPECT_EQ(e.businessStreet, "f10");
    EXPECT_EQ(e.notes, "chat:10.0.0.7:8081");
    EXPECT_EQ(e.ChatAddress(), "10.0.0.7:8081");
    EXPECT_EQ(e.Serialize(), file);
}

TEST(ContactFile, ForeignShortAndNewerFiles) {
    CABEntry e;
    std::string error;
    EXPECT_FALSE(CABEntry::Parse("PK\x03\x04 a zip file, say"s, &e, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CABEntry::Parse("", &e));
    std::string file = HandMadeFile();
    EXPECT_FALSE(CABEntry::Parse(file.substr(0, file.size() - 3), &e));
    // A string length that runs past the end.
    EXPECT_FALSE(CABEntry::Parse("\x53\xB6\x7D\x82\x01\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\x7F"s, &e));
    // Another version: the fields after it are not read, nor lost when written.
    test::Sandbox box;
    std::string v2 = "\x53\xB6\x7D\x82\x02\x00\x00\x00"s + file.substr(8);
    ASSERT_TRUE(CABEntry::Parse(v2, &e));
    EXPECT_EQ(e.version, 2u);
    EXPECT_TRUE(e.firstName.empty());
    e.filePath = box.path("Newer");
    ASSERT_TRUE(WriteContact(e));
    EXPECT_EQ(test::ReadFile(e.filePath), v2);
    // Nor what a version 1 file has after its last field.
    CABEntry longer;
    ASSERT_TRUE(CABEntry::Parse(file + "more", &longer));
    longer.email = "new@example.org";
    std::string written = longer.Serialize();
    EXPECT_EQ(written.substr(written.size() - 4), "more");
    CABEntry back;
    ASSERT_TRUE(CABEntry::Parse(written, &back));
    EXPECT_EQ(back.email, "new@example.org");
}

TEST(ContactFile, LengthEncodingsAtEveryBoundary) {
    struct Case {
        size_t length;
        std::string head;
    } cases[] = {{254, "\xFE"s},
                 {255, "\xFF\xFF\x00"s},
                 {65534, "\xFF\xFE\xFF"s},
                 {65535, "\xFF\xFF\xFF\xFF\xFF\x00\x00"s},
                 {70000, "\xFF\xFF\xFF\x70\x11\x01\x00"s}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        CABEntry e;
        e.notes = std::string(c.length, 'n');
        std::string out = e.Serialize();
        ASSERT_GT(out.size(), c.length + c.head.size());
        EXPECT_EQ(out.substr(out.size() - c.length - c.head.size(), c.head.size()), c.head);
        CABEntry back;
        ASSERT_TRUE(CABEntry::Parse(out, &back));
        EXPECT_EQ(back.notes, e.notes);
        EXPECT_EQ(back.Serialize(), out);
    }
}

TEST(ContactNames, TwinsApostrophesAndNothingUsable) {
    test::Sandbox box;
    std::string dir = box.path("book");
    std::filesystem::create_directories(dir);
    CABEntry john;
    john.firstName = "John";
    john.lastName = "Smith";
    CABEntry a = john, b = john;
    ASSERT_TRUE(SaveNewContact(dir, &a));
    ASSERT_TRUE(SaveNewContact(dir, &b));
    EXPECT_EQ(a.filePath, dir + "/JohnSmith");
    EXPECT_EQ(b.filePath, dir + "/JohnSmith1");

    CABEntry irish;
    irish.firstName = "Sean";
    irish.lastName = "O'Brien-Smith Jr.";
    ASSERT_TRUE(SaveNewContact(dir, &irish));
    EXPECT_EQ(irish.filePath, dir + "/SeanOBrien-Smith Jr.");

    // No first name: the nickname, else the display name.
    CABEntry nick;
    nick.nickname = "Nick/Name";
    nick.displayName = "Shown";
    EXPECT_EQ(ContactBaseName(nick), "NickName");
    nick.nickname.clear();
    EXPECT_EQ(ContactBaseName(nick), "Shown");

    for (const char* name : {"'''", "\xE5\xBC\xA0\xE4\xB8\x89", "..", "../"}) {
        SCOPED_TRACE(name);
        CABEntry none;
        none.firstName = name;
        EXPECT_FALSE(SaveNewContact(dir, &none));
        EXPECT_TRUE(none.filePath.empty());
    }
    size_t files = 0;
    for (auto& f : std::filesystem::directory_iterator(dir)) files += f.is_regular_file();
    EXPECT_EQ(files, 3u);

    // An imported contact is kept whatever its name: the e-mail's local part, else "Contact".
    CABEntry zhang;
    zhang.firstName = "\xE5\xBC\xA0\xE4\xB8\x89";
    zhang.email = "zhang.san@example.cn";
    CABEntry nameless = zhang, twin = zhang, named = john;
    nameless.email = "\xE5\xBC\xA0@example.cn";
    twin.email.clear();
    ASSERT_TRUE(SaveImportedContact(dir, &zhang));
    ASSERT_TRUE(SaveImportedContact(dir, &nameless));
    ASSERT_TRUE(SaveImportedContact(dir, &twin));
    ASSERT_TRUE(SaveImportedContact(dir, &named));
    EXPECT_EQ(zhang.filePath, dir + "/zhang.san");
    EXPECT_EQ(nameless.filePath, dir + "/Contact");
    EXPECT_EQ(twin.filePath, dir + "/Contact1");
    EXPECT_EQ(named.filePath, dir + "/JohnSmith2");
    CABEntry stored;
    ASSERT_TRUE(ReadContact(dir + "/Contact", &stored));
    EXPECT_EQ(stored.firstName, nameless.firstName);

    // Edited and written again, a contact keeps its file.
    a.email = "new@example.org";
    ASSERT_TRUE(WriteContact(a));
    CABEntry read;
    ASSERT_TRUE(ReadContact(dir + "/JohnSmith", &read));
    EXPECT_EQ(read.email, "new@example.org");
}

TEST(FolderNames, OnlyTheAllowedCharacters) {
    for (const char* ok : {"Family", "Bob's friends", "Work-2.0", "a b"})
        EXPECT_TRUE(IsValidFolderName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a/b", "a_b", "tab\tname", "caf\xC3\xA9", "x:y"})
        EXPECT_FALSE(IsValidFolderName(bad)) << bad;
}

TEST(AddressBookTree, DefaultFolderSortingAndBadFiles) {
    test::Sandbox box;
    std::string root = AddressBookRoot();
    ASSERT_FALSE(root.empty());
    ASSERT_TRUE(EnsureDefaultFolder(root));
    auto tree = LoadTree(root);
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].text, "Address Book");
    ASSERT_EQ(tree[0].children.size(), 1u);
    const auto& maker = tree[0].children[0];
    EXPECT_EQ(maker.text, "SkyHarbor");
    std::vector<std::string> names;
    for (const auto& c : maker.children) {
        names.push_back(c.text);
        EXPECT_NE(c.entry.email.find('@'), std::string::npos);
        EXPECT_EQ(c.entry.nickname, c.text);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Comments", "Letters to the Editor", "Problems",
                                               "Suggest a Site", "Suggestions"}));

    // A user who removed the maker's folder does not get it back.
    std::filesystem::remove_all(root + "Address Book/SkyHarbor");
    ASSERT_TRUE(EnsureDefaultFolder(root));
    EXPECT_FALSE(std::filesystem::exists(root + "Address Book/SkyHarbor"));

    std::string dir = root + "Address Book";
    for (const char* name : {"zeta", "Alpha", "beta"}) {
        CABEntry e;
        e.firstName = e.displayName = name;
        ASSERT_TRUE(SaveNewContact(dir, &e));
    }
    std::filesystem::create_directory(dir + "/work");
    std::filesystem::create_directory(dir + "/Home");
    test::WriteFile(dir + "/broken", "not a contact");
    test::WriteFile(dir + "/.hidden", "");
    auto book = LoadTree(root)[0].children;
    std::vector<std::string> order;
    for (const auto& n : book) order.push_back(n.text);
    EXPECT_EQ(order, (std::vector<std::string>{"Home", "work", "Alpha", "beta", "zeta"}));
}

TEST(PersonLookup, PageOnTheWebHost) {
    EXPECT_EQ(PersonLookupUrl("127.0.0.1:7780", "jo smith&co"),
              "http://127.0.0.1:7780/Scripts/channelx.dll?QueryUser&User=jo+smith%26co");
}

}  // namespace
}  // namespace sky::addressbook
