#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sky::addressbook {

inline constexpr uint32_t kContactMagic = 0x827DB653;
inline constexpr uint32_t kContactVersion = 1;

// One contact, also standing for a folder in the tree. The strings are kept
// as raw bytes (UTF-8 for anything we write) in the order they are stored.
struct CABEntry {
    std::string filePath;   // empty until first saved
    bool isFolder = false;  // tree items only; never stored

    uint32_t magic = kContactMagic;
    uint32_t version = kContactVersion;

    std::string firstName, lastName, middleName, displayName, nickname, email, icqNumber, memberId;
    // Unknown meaning in old files: kept as read. 1 for a new contact.
    uint32_t word = 1;

    std::string homeStreet, homeCellular, homeCity, homeCountry, homeFax, homePhone, homeState,
        personalWebPage, homePostalCode;
    // No page edits this one; we keep further e-mail addresses in it (", " between them).
    std::string otherEmails;
    std::string businessStreet, businessCity, company, businessCountry, department, businessFax, jobTitle,
        office, pager, businessPhone, businessState, companyWebPage, businessPostalCode;
    std::string notes;
    // What this program does not read (a file of another version has nothing
    // else; a version 1 file may have more after the notes): written back as read.
    std::string unread;

    // The contact file bytes.
    std::string Serialize() const;
    // False (with `error`) for a file that is not a contact or is cut short.
    static bool Parse(std::string_view data, CABEntry* out, std::string* error = nullptr);

    // Text of its tree item.
    std::string ItemText() const;
    // "host[:port]" of a running copy given as "chat:host[:port]" in the notes; empty when none.
    std::string ChatAddress() const;
};

// Appends a string in the stored length encoding.
void AppendStoredString(std::string& out, std::string_view s);

}  // namespace sky::addressbook
