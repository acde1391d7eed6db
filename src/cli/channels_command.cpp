#include <sys/stat.h>

#include <iostream>

#include "cli/cli.h"
#include "core/channels/channel_list.h"

namespace sky::cli {

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// No main list yet is an empty list; one that cannot be read must not be
// replaced by an import or exported as empty.
bool LoadMain(CChannelList& list) {
    std::string path = MainChannelFilePath();
    if (!FileExists(path) || list.Load(path)) return true;
    std::cerr << "skyharbor-cli: cannot read " << path << "\n";
    return false;
}

void PrintList(const CChannelList& list) {
    for (const auto& channel : list.channels()) {
        std::cout << channel->name << '\t' << channel->url << '\n';
        for (const auto& entry : channel->children) {
            std::cout << "  " << entry->name << '\t' << entry->url << '\n';
            for (const auto& page : entry->children)
                std::cout << "    " << page->name << '\t' << page->url << '\n';
        }
    }
}

int List(const Args& args) {
    CChannelList list;
    if (args.size() == 1) {
        if (!LoadMain(list)) return 1;
        PrintList(list);
        return 0;
    }
    if (args.size() == 3 && args[1] == "--file") {
        if (!list.Load(args[2])) {
            std::cerr << "skyharbor-cli: cannot read " << args[2] << "\n";
            return 1;
        }
        PrintList(list);
        return 0;
    }
    return Usage("channels: expected 'list [--file PATH]'");
}

int Import(const Args& args) {
    using Choice = ClashResolver::Choice;
    Choice choice = Choice::Append;
    if (args.size() == 4 && args[2] == "--on-clash") {
        if (args[3] == "replace")
            choice = Choice::Replace;
        else if (args[3] == "append")
            choice = Choice::Append;
        else if (args[3] == "skip")
            choice = Choice::Skip;
        else
            return Usage("channels import: --on-clash takes replace, append or skip");
    } else if (args.size() != 2) {
        return Usage("channels: expected 'import PATH [--on-clash replace|append|skip]'");
    }
    FixedClashResolver resolver(choice);
    std::string error;
    if (!ModifyChannelFile(
            MainChannelFilePath(), [&](CChannelList& list) { return list.Import(args[1], resolver); },
            &error)) {
        if (!error.empty()) std::cerr << "skyharbor-cli: " << error << "\n";
        std::cerr << "Error Importing channel file\n";
        return 1;
    }
    std::cout << "Done !\n";
    return 0;
}

int Export(const Args& args) {
    if (args.size() < 2) return Usage("channels: expected 'export OUT [CHANNEL...]'");
    CChannelList list;
    if (!LoadMain(list)) return 1;
    std::vector<bool> selection(list.size(), args.size() == 2);
    for (size_t a = 2; a < args.size(); ++a) {
        bool found = false;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list.at(i)->name == args[a]) {
                selection[i] = true;
                found = true;
            }
        }
        if (!found) {
            std::cerr << "skyharbor-cli: no channel named " << args[a] << "\n";
            return 2;
        }
    }
    std::string error;
    if (!list.Save(args[1], &selection, &error)) {
        std::cerr << kSaveError << " (" << error << ")\n";
        return 1;
    }
    std::cout << "Done !\n";
    return 0;
}

}  // namespace

int RunChannels(const Args& args) {
    if (!args.empty() && args[0] == "list") return List(args);
    if (!args.empty() && args[0] == "import") return Import(args);
    if (!args.empty() && args[0] == "export") return Export(args);
    return Usage("channels: expected 'list', 'import' or 'export'");
}

static Registrar reg{{"channels",
                      "channels list [--file PATH] | channels import PATH [--on-clash replace|append|skip] | "
                      "channels export OUT [CHANNEL...]",
                      &RunChannels}};

}  // namespace sky::cli
