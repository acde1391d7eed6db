#include <iostream>

#include "cli/cli.h"
#include "core/base/settings_store.h"

namespace sky::cli {

namespace {

struct SettingsArgs {
    std::string section, key, value;
};

void AddSettings(CLI::App& root) {
    auto* settings = root.add_subcommand("settings", "Read and change skyharbor.ini");
    settings->require_subcommand(1);
    auto args = std::make_shared<SettingsArgs>();

    auto* get = settings->add_subcommand("get", "Print one setting");
    get->add_option("section", args->section, "The [section]")->required();
    get->add_option("key", args->key, "The key in it")->required();
    OnRun(get, [args] {
        SettingsStore& store = SettingsStore::App();
        if (!store.Has(args->section, args->key)) {
            std::cerr << "skyharbor-cli: no key " << args->key << " in section " << args->section << "\n";
            return 1;
        }
        std::cout << store.GetString(args->section, args->key) << "\n";
        return 0;
    });

    auto* set = settings->add_subcommand("set", "Change one setting");
    set->add_option("section", args->section, "The [section]")->required();
    set->add_option("key", args->key, "The key in it")->required();
    set->add_option("value", args->value, "The new value")->required();
    OnRun(set, [args] {
        SettingsStore& store = SettingsStore::App();
        if (!store.WriteString(args->section, args->key, args->value)) {
            std::cerr << "skyharbor-cli: " << store.lastError() << "\n";
            return 1;
        }
        return 0;
    });
}

}  // namespace

static Registrar reg{&AddSettings};

}  // namespace sky::cli
