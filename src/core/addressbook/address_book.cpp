#include "core/addressbook/address_book.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/service_config.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace fs = std::filesystem;

namespace sky::addressbook {

namespace {

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

CABEntry MakerContact(const std::string& name, const std::string& mailbox) {
    CABEntry e;
    e.firstName = e.displayName = e.nickname = name;
    e.email = mailbox + "@skyharbor.example";
    e.company = "SkyHarbor Project";
    e.businessStreet = "1 Harbour Road";
    e.businessCity = "Port Example";
    e.businessState = "EX";
    e.businessPostalCode = "00000";
    e.businessCountry = "Exampleland";
    e.businessPhone = "+1 555 0100";
    e.businessFax = "+1 555 0101";
    e.companyWebPage = "https://www.skyharbor.example/";
    return e;
}

std::string Lowered(const std::string& s) {
    return ToLower(s);
}

void SortNodes(std::vector<TreeNode>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(), [](const TreeNode& a, const TreeNode& b) {
        if (a.entry.isFolder != b.entry.isFolder) return a.entry.isFolder;
        std::string la = Lowered(a.text), lb = Lowered(b.text);
        return la != lb ? la < lb : a.entry.filePath < b.entry.filePath;
    });
}

}  // namespace

std::string AddressBookRoot() {
    return GetDataDir("Sky Address Book", true);
}

bool EnsureDefaultFolder(const std::string& root) {
    std::string folder = JoinPath(root, kDefaultFolder);
    if (Exists(folder)) return true;
    std::error_code ec;
    std::string maker = JoinPath(folder, kMakerFolder);
    fs::create_directories(maker, ec);
    if (ec) {
        LogWarn("addressbook", "cannot make " + maker + ": " + ec.message());
        return false;
    }
    // The maker's contacts: our own placeholder mailboxes and address.
    const std::pair<const char*, const char*> contacts[] = {{"Letters to the Editor", "editor"},
                                                            {"Comments", "comments"},
                                                            {"Suggestions", "suggestions"},
                                                            {"Problems", "support"},
                                                            {"Suggest a Site", "sites"}};
    for (const auto& [name, mailbox] : contacts) {
        CABEntry e = MakerContact(name, mailbox);
        std::string error;
        if (!SaveNewContact(maker, &e, &error))
            LogWarn("addressbook", "cannot save " + std::string(name) + ": " + error);
    }
    return true;
}

bool IsValidFolderName(std::string_view name) {
    if (name.empty() || name.find_first_not_of('.') == std::string_view::npos) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return IsAsciiAlnum(c) || c == '.' || c == '-' || c == '\'' || c == ' ';
    });
}

namespace {

// What of `base` may name a file; empty when nothing does.
std::string UsableFileName(std::string_view base) {
    std::string kept;
    for (char c : base)
        if (IsAsciiAlnum(c) || c == ' ' || c == '-' || c == '.') kept.push_back(c);
    if (kept.size() > 255) kept.resize(255);
    // Names of only dots or blanks would be the folder itself, its parent or hidden.
    if (kept.find_first_not_of(". ") == std::string::npos) return {};
    if (kept[0] == '.') kept.erase(0, kept.find_first_not_of('.'));
    return kept;
}

std::string FreePath(const std::string& folder, const std::string& base) {
    std::string path = JoinPath(folder, base);
    for (int n = 1; Exists(path); ++n) path = JoinPath(folder, base + std::to_string(n));
    return path;
}

bool SaveAs(const std::string& path, CABEntry* entry, std::string* error) {
    CABEntry copy = *entry;
    copy.filePath = path;
    if (!WriteContact(copy, error)) return false;
    entry->filePath = path;
    return true;
}

}  // namespace

std::string ContactBaseName(const CABEntry& entry) {
    return UsableFileName(!entry.firstName.empty()  ? entry.firstName + entry.lastName
                          : !entry.nickname.empty() ? entry.nickname
                                                    : entry.displayName);
}

std::string ImportedContactBaseName(const CABEntry& entry) {
    std::string base = ContactBaseName(entry);
    if (base.empty()) base = UsableFileName(std::string_view(entry.email).substr(0, entry.email.find('@')));
    return base.empty() ? "Contact" : base;
}

std::string NewContactPath(const std::string& folder, const CABEntry& entry) {
    std::string base = ContactBaseName(entry);
    return base.empty() ? std::string() : FreePath(folder, base);
}

bool ReadContact(const std::string& path, CABEntry* out, std::string* error) {
    std::string data;
    if (!ReadWholeFile(path, &data)) {
        if (error) *error = "cannot read the file";
        return false;
    }
    if (!CABEntry::Parse(data, out, error)) return false;
    out->filePath = path;
    return true;
}

bool WriteContact(const CABEntry& entry, std::string* error) {
    if (entry.filePath.empty()) {
        if (error) *error = "the contact has no file";
        return false;
    }
    return WriteFileAtomically(entry.filePath, entry.Serialize(), error);
}

bool SaveNewContact(const std::string& folder, CABEntry* entry, std::string* error) {
    std::string path = NewContactPath(folder, *entry);
    if (path.empty()) {
        if (error) *error = "the contact has no name a file can be given";
        return false;
    }
    return SaveAs(path, entry, error);
}

bool SaveImportedContact(const std::string& folder, CABEntry* entry, std::string* error) {
    return SaveAs(FreePath(folder, ImportedContactBaseName(*entry)), entry, error);
}

std::vector<TreeNode> LoadTree(const std::string& folder) {
    std::vector<TreeNode> nodes;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    if (ec) {
        LogWarn("addressbook", "cannot list " + folder + ": " + ec.message());
        return nodes;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;  // hidden, and atomic writes in progress
        std::string path = it->path().string();
        TreeNode node;
        if (it->is_directory(ec)) {
            node.entry.isFolder = true;
            node.entry.filePath = path;
            node.text = name;
            node.children = LoadTree(path);
        } else {
            std::string error;
            if (!ReadContact(path, &node.entry, &error)) {
                LogWarn("addressbook", "skipping " + path + ": " + error);
                continue;
            }
            node.text = node.entry.ItemText();
        }
        nodes.push_back(std::move(node));
    }
    SortNodes(nodes);
    return nodes;
}

namespace {
void Collect(const std::vector<TreeNode>& nodes, std::vector<CABEntry>& out) {
    for (const auto& n : nodes) {
        if (n.entry.isFolder)
            Collect(n.children, out);
        else
            out.push_back(n.entry);
    }
}
}  // namespace

std::vector<CABEntry> CollectContacts(const std::string& folder) {
    std::vector<CABEntry> out;
    Collect(LoadTree(folder), out);
    return out;
}

std::string PersonLookupUrl(const std::string& webHost, const std::string& memberId) {
    std::string path = std::string("/") + kPersonLookupPath;
    path.replace(path.find("%s"), 2, FormEncode(memberId));
    return ServiceUrl(webHost, path);
}

}  // namespace sky::addressbook
