#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/contact.h"

namespace sky::addressbook {

inline constexpr const char* kDefaultFolder = "Address Book";
inline constexpr const char* kMakerFolder = "SkyHarbor";
inline constexpr const char* kBadFolderNameText =
    "The folder name may only contain A-Z, a-z, 0-9, '.', '-', ''', or spaces";
inline constexpr const char* kBadFolderNameTitle = "Bad Folder Name";
inline constexpr const char* kPersonLookupPath = "Scripts/channelx.dll?QueryUser&User=%s";

// The storage root ("Sky Address Book" in the data folder), made when missing; ends in "/".
std::string AddressBookRoot();

// Makes "Address Book" with the maker's folder of five contacts when it does
// not exist yet. False when the folder cannot be made.
bool EnsureDefaultFolder(const std::string& root);

// Letters, digits, '.', '-', apostrophe and blanks only; never empty, never only dots.
bool IsValidFolderName(std::string_view name);

// The contact's file name before numbering: first+last, else nickname, else
// display name, keeping ASCII letters, digits, blanks, '-' and '.' only.
// Empty when nothing usable remains.
std::string ContactBaseName(const CABEntry& entry);

// For a contact from another address book (a vCard), which must not be lost
// for want of a Latin name: ContactBaseName, else the same rule applied to the
// e-mail address before "@", else "Contact".
std::string ImportedContactBaseName(const CABEntry& entry);

// A free path for the contact in `folder`: base name, then base name 1, 2 ...
// Empty when the contact has no usable name.
std::string NewContactPath(const std::string& folder, const CABEntry& entry);

bool ReadContact(const std::string& path, CABEntry* out, std::string* error = nullptr);
// Writes the contact atomically to entry.filePath.
bool WriteContact(const CABEntry& entry, std::string* error = nullptr);
// Saves a new contact into `folder` under a new name; sets filePath. False when
// the name is unusable (nothing written) or the write fails.
bool SaveNewContact(const std::string& folder, CABEntry* entry, std::string* error = nullptr);
// The same under ImportedContactBaseName: fails only when the write does.
bool SaveImportedContact(const std::string& folder, CABEntry* entry, std::string* error = nullptr);

struct TreeNode {
    CABEntry entry;    // for a folder: isFolder and filePath (the directory) only
    std::string text;  // folder name or contact's item text
    std::vector<TreeNode> children;
};

// The folders and contacts below `folder`, folders first, then by text
// regardless of case. A contact file that cannot be read is logged and left out.
std::vector<TreeNode> LoadTree(const std::string& folder);

// Every contact below `folder`, depth first in tree order.
std::vector<CABEntry> CollectContacts(const std::string& folder);

// The person lookup page for a member ID on the service's web host.
std::string PersonLookupUrl(const std::string& webHost, const std::string& memberId);

}  // namespace sky::addressbook
