#include <sys/stat.h>

#include <iostream>
#include <memory>

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

int List(const std::string& file) {
    CChannelList list;
    if (file.empty()) {
        if (!LoadMain(list)) return 1;
    } else if (!list.Load(file)) {
        std::cerr << "skyharbor-cli: cannot read " << file << "\n";
        return 1;
    }
    PrintList(list);
    return 0;
}

int Import(const std::string& path, ClashResolver::Choice choice) {
    FixedClashResolver resolver(choice);
    std::string error;
    if (!ModifyChannelFile(
            MainChannelFilePath(), [&](CChannelList& list) { return list.Import(path, resolver); }, &error)) {
        if (!error.empty()) std::cerr << "skyharbor-cli: " << error << "\n";
        std::cerr << "Error Importing channel file\n";
        return 1;
    }
    std::cout << "Done !\n";
    return 0;
}

int Export(const std::string& out, const std::vector<std::string>& names) {
    CChannelList list;
    if (!LoadMain(list)) return 1;
    std::vector<bool> selection(list.size(), names.empty());
    for (const std::string& name : names) {
        bool found = false;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list.at(i)->name == name) {
                selection[i] = true;
                found = true;
            }
        }
        if (!found) {
            std::cerr << "skyharbor-cli: no channel named " << name << "\n";
            return 2;
        }
    }
    std::string error;
    if (!list.Save(out, &selection, &error)) {
        std::cerr << kSaveError << " (" << error << ")\n";
        return 1;
    }
    std::cout << "Done !\n";
    return 0;
}

struct ChannelsArgs {
    std::string file, path, out;
    std::vector<std::string> names;
    std::string onClash = "append";
};

void AddChannels(CLI::App& root) {
    using Choice = ClashResolver::Choice;
    auto* channels = root.add_subcommand("channels", "List, import and export the channels");
    channels->require_subcommand(1);
    auto args = std::make_shared<ChannelsArgs>();

    auto* list = channels->add_subcommand("list", "Print the channels with their pages");
    list->add_option("--file", args->file, "A channel file instead of your channels");
    OnRun(list, [args] { return List(args->file); });

    auto* import = channels->add_subcommand("import", "Add a channel file's channels to yours");
    import->add_option("path", args->path, "The channel file (.sdf)")->required();
    import->add_option("--on-clash", args->onClash, "When a channel of the same name exists (default append)")
        ->check(CLI::IsMember({"replace", "append", "skip"}));
    OnRun(import, [args] {
        Choice choice = args->onClash == "replace" ? Choice::Replace
                        : args->onClash == "skip"  ? Choice::Skip
                                                   : Choice::Append;
        return Import(args->path, choice);
    });

    auto* exp = channels->add_subcommand("export", "Write channels to a file (all when none is named)");
    exp->add_option("out", args->out, "The file written")->required();
    exp->add_option("channel", args->names, "The channels, by name");
    OnRun(exp, [args] { return Export(args->out, args->names); });
}

}  // namespace

static Registrar reg{&AddChannels};

}  // namespace sky::cli
