// vCard files as other address books write and read them.
#include <gtest/gtest.h>

#include <string>

#include "core/addressbook/vcard.h"

namespace sky::addressbook {
namespace {

TEST(VCardImport, CardsFromOtherAddressBooks) {
    // 3.0 with folded lines and groups, 4.0 with a UTF-8 name, LF-only lines in the second.
    std::string text =
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "N:M\xC3\xBCller;J\xC3\xBCrgen;Karl;Dr.;\r\n"
        "FN:Dr. J\xC3\xBCrgen M\xC3\xBC\r\n"
        " ller\r\n"
        "item1.EMAIL;TYPE=INTERNET,PREF:juergen@example.de\r\n"
        "EMAIL;TYPE=INTERNET,WORK:jm@work.example\r\n"
        "EMAIL:third@example.org\r\n"
        "TEL;TYPE=CELL:+49 170 1\r\n"
        "ADR;TYPE=WORK:;Room 4;Hauptstr. 1;Berlin;;10115;Germany\r\n"
        "ORG:Acme\\, Inc.;Sales\r\n"
        "NOTE:first line\\nchat:host.example:8081\r\n"
        "X-SKYHARBOR-ID:jmueller\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\n"
        "VERSION:4.0\n"
        "FN:\xE5\xBC\xA0\xE4\xB8\x89\n"
        "N:\xE5\xBC\xA0;\xE4\xB8\x89;;;\n"
        "EMAIL;TYPE=home;PREF=1:zhang@example.cn\n"
        "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+86-10-1\n"
        "END:VCARD\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n";
    auto cards = ParseVCards(text);
    ASSERT_EQ(cards.size(), 2u);
    const auto& a = cards[0];
    EXPECT_EQ(a.firstName, "J\xC3\xBCrgen");
    EXPECT_EQ(a.lastName, "M\xC3\xBCller");
    EXPECT_EQ(a.middleName, "Karl");
    EXPECT_EQ(a.displayName, "Dr. J\xC3\xBCrgen M\xC3\xBCller");
    EXPECT_EQ(a.email, "juergen@example.de");
    EXPECT_EQ(a.otherEmails, "jm@work.example, third@example.org");
    EXPECT_EQ(a.homeCellular, "+49 170 1");
    EXPECT_EQ(a.businessStreet, "Hauptstr. 1");
    EXPECT_EQ(a.office, "Room 4");
    EXPECT_EQ(a.businessPostalCode, "10115");
    EXPECT_EQ(a.company, "Acme, Inc.");
    EXPECT_EQ(a.department, "Sales");
    EXPECT_EQ(a.ChatAddress(), "host.example:8081");
    EXPECT_EQ(a.memberId, "jmueller");
    const auto& b = cards[1];
    EXPECT_EQ(b.displayName, "\xE5\xBC\xA0\xE4\xB8\x89");
    EXPECT_EQ(b.email, "zhang@example.cn");
    EXPECT_EQ(b.homePhone, "+86-10-1");
}

TEST(VCardExport, ReadsBackAndFoldsWithoutSplittingCharacters) {
    CABEntry e;
    e.firstName = "Ren\xC3\xA9";
    e.lastName = "Dupont; Jr";
    e.displayName = "Ren\xC3\xA9 Dupont";
    e.email = "rene@example.fr";
    e.otherEmails = "r2@example.fr, r3@example.fr";
    e.memberId = "rdupont";
    e.homeCity = "Lyon";
    e.companyWebPage = "https://example.fr/";
    e.notes = std::string(40, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9" +
              std::string(100, 'y') + "\nsecond line";
    CABEntry f;
    f.displayName = "Only Shown";
    f.email = "only@example.org";
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        std::string out = WriteVCards({e, f}, version);
        EXPECT_NE(out.find(version == 4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n"), std::string::npos);
        size_t pos = 0;
        while (pos < out.size()) {
            size_t end = out.find("\r\n", pos);
            ASSERT_NE(end, std::string::npos);
            EXPECT_LE(end - pos, 75u);
            // A continuation never starts inside a UTF-8 sequence.
            if (out[pos] == ' ') EXPECT_NE(static_cast<unsigned char>(out[pos + 1]) & 0xC0, 0x80);
            pos = end + 2;
        }
        auto back = ParseVCards(out);
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[0].firstName, e.firstName);
        EXPECT_EQ(back[0].lastName, e.lastName);
        EXPECT_EQ(back[0].displayName, e.displayName);
        EXPECT_EQ(back[0].email, e.email);
        EXPECT_EQ(back[0].otherEmails, e.otherEmails);
        EXPECT_EQ(back[0].memberId, e.memberId);
        EXPECT_EQ(back[0].homeCity, e.homeCity);
        EXPECT_EQ(back[0].companyWebPage, e.companyWebPage);
        EXPECT_EQ(back[0].notes, e.notes);
        EXPECT_EQ(back[1].displayName, "Only Shown");
        EXPECT_EQ(back[1].email, "only@example.org");
    }
}

}  // namespace
}  // namespace sky::addressbook
