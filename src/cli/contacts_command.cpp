#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "core/addressbook/address_book.h"
#include "core/addressbook/vcard.h"
#include "core/base/atomic_file.h"
#include "core/base/paths.h"

namespace sky::cli {

namespace {

using namespace sky::addressbook;

struct ContactsArgs {
    std::string folder, file, first, last, email, nickname, memberId;
};

// The folder below the root a user named; empty answer for one outside it.
bool ResolveFolder(const std::string& root, const std::string& folder, std::string* out) {
    if (folder.empty()) {
        *out = root;
        return true;
    }
    std::filesystem::path rel(folder);
    if (rel.is_absolute()) return false;
    for (const auto& part : rel)
        if (part == "..") return false;
    *out = JoinPath(root, folder);
    return true;
}

// The root, with the default folder made as opening the address book would.
std::string OpenRoot() {
    std::string root = AddressBookRoot();
    if (root.empty() || !EnsureDefaultFolder(root)) {
        std::cerr << "skyharbor-cli: cannot open the address book folder\n";
        return {};
    }
    return root;
}

int FolderArg(const std::string& folder, std::string* out, bool mustExist = true) {
    std::string root = OpenRoot();
    if (root.empty()) return 1;
    if (!ResolveFolder(root, folder, out))
        return Usage("the folder must lie inside the address book: " + folder);
    struct stat st;
    if (mustExist && (::stat(out->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        std::cerr << "skyharbor-cli: no such address book folder: " << folder << "\n";
        return 1;
    }
    return 0;
}

int List(const std::string& folder) {
    std::string dir;
    if (int rc = FolderArg(folder, &dir)) return rc;
    for (const auto& e : CollectContacts(dir))
        std::cout << e.ItemText() << "\t" << e.email << "\t" << e.filePath << "\n";
    return 0;
}

int Add(const ContactsArgs& a) {
    std::string dir;
    if (int rc = FolderArg(a.folder.empty() ? kDefaultFolder : a.folder, &dir)) return rc;
    CABEntry e;
    e.firstName = a.first;
    e.lastName = a.last;
    e.displayName = a.first + (a.first.empty() || a.last.empty() ? "" : " ") + a.last;
    e.email = a.email;
    e.nickname = a.nickname;
    e.memberId = a.memberId;
    std::string error;
    if (!SaveNewContact(dir, &e, &error)) {
        std::cerr << "skyharbor-cli: contact not saved: " << error << "\n";
        return 1;
    }
    std::cout << e.filePath << "\n";
    return 0;
}

int Export(const std::string& out, const std::string& folder) {
    std::string dir;
    if (int rc = FolderArg(folder, &dir)) return rc;
    auto contacts = CollectContacts(dir);
    std::string error;
    if (!WriteFileAtomically(out, WriteVCards(contacts, 3), &error)) {
        std::cerr << "skyharbor-cli: cannot write " << out << ": " << error << "\n";
        return 1;
    }
    std::cout << contacts.size() << " contacts written to " << out << "\n";
    return 0;
}

int Import(const std::string& file, const std::string& folder) {
    std::string dir;
    if (int rc = FolderArg(folder.empty() ? kDefaultFolder : folder, &dir, false)) return rc;
    std::string text;
    if (!ReadWholeFile(file, &text)) {
        std::cerr << "skyharbor-cli: cannot read " << file << "\n";
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    int saved = 0, failed = 0;
    for (auto& e : ParseVCards(text)) {
        std::string error;
        if (SaveImportedContact(dir, &e, &error)) {
            std::cout << e.filePath << "\n";
            ++saved;
        } else {
            std::cerr << "skyharbor-cli: " << e.ItemText() << " not saved: " << error << "\n";
            ++failed;
        }
    }
    if (saved == 0 && failed == 0) std::cerr << "skyharbor-cli: no contacts in " << file << "\n";
    return failed == 0 && saved > 0 ? 0 : 1;
}

void AddContacts(CLI::App& root) {
    auto args = std::make_shared<ContactsArgs>();
    auto* contacts = root.add_subcommand("contacts", "List, add, import and export address book contacts");
    contacts->require_subcommand(1);

    auto* list =
        contacts->add_subcommand("list", "List contacts: display name, e-mail, file (tab-separated)");
    list->add_option("folder", args->folder, "A folder of the address book (default: all)");
    OnRun(list, [args] { return List(args->folder); });

    auto* add = contacts->add_subcommand("add", "Add a contact and print its file");
    add->add_option("--folder", args->folder, "The folder (default \"Address Book\")");
    add->add_option("--first", args->first, "First name")->required();
    add->add_option("--last", args->last, "Last name")->required();
    add->add_option("--email", args->email, "E-mail address");
    add->add_option("--nickname", args->nickname, "Nickname");
    add->add_option("--member-id", args->memberId, "SkyHarbor member ID");
    OnRun(add, [args] { return Add(*args); });

    auto* exp = contacts->add_subcommand("export-vcard", "Write contacts to a vCard 3.0 file");
    exp->add_option("out", args->file, "The vCard file to write")->required();
    exp->add_option("folder", args->folder, "A folder of the address book (default: all)");
    OnRun(exp, [args] { return Export(args->file, args->folder); });

    auto* imp = contacts->add_subcommand("import-vcard", "Add the contacts of a vCard file");
    imp->add_option("file", args->file, "The vCard file (3.0 or 4.0, one or many cards)")->required();
    imp->add_option("--folder", args->folder, "The folder (default \"Address Book\")");
    OnRun(imp, [args] { return Import(args->file, args->folder); });
}

}  // namespace

static Registrar reg{&AddContacts};

}  // namespace sky::cli
