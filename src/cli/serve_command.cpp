#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "cli/cli.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/httpsvr/hit_log.h"
#include "core/httpsvr/http_server.h"

namespace sky::cli {

namespace {

struct ServeArgs {
    std::string root, listen, serverName;
    int port = -1;
};

// Runs the personal web server without windows until SIGINT or SIGTERM.
int Serve(const ServeArgs& args) {
    using namespace sky::httpsvr;
    ServerOptions options;
    options.settings = ServerSettings::Load(SettingsStore::App());
    bool ownRoot = !args.root.empty();
    if (ownRoot) options.settings.root = args.root;
    if (args.port >= 0) options.settings.port = args.port;
    if (!args.listen.empty()) options.settings.listenAddress = args.listen;
    if (!args.serverName.empty()) {
        options.settings.serverName = args.serverName;
        options.settings.ownName = true;
    }
    while (options.settings.root.size() > 1 && options.settings.root.back() == '/')
        options.settings.root.pop_back();
    if (!ownRoot && options.settings.root == DefaultRoot()) {
        std::string error;
        if (!CreateDefaultRoot(options.settings.root, &error))
            std::cerr << "skyharbor-cli: " << error << "\n";
    }
    options.systemInfo = [] {
        SystemPageInfo info;
        info.version = std::string(kVersionString).substr(2, 5);
        return info;
    };

    // Signals are taken by sigwait below; the server's threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    HitLog log;
    ServerCallbacks callbacks;
    callbacks.hit = [&log](const CHitDoc& hit) {
        const CHitDoc& row = *log.Add(hit).row;
        std::cout << row.file << '\t' << row.folder << '\t' << row.hits << '\t' << HitTimeText(row) << '\t'
                  << row.referrer << '\t' << row.url << std::endl;
    };
    HttpServer server(options, callbacks);
    std::string error;
    int code = 0;
    bool ok = server.Start(&error, &code);
    std::cout << server.Title() << std::endl;
    if (!ok) {
        std::cerr << "skyharbor-cli: " << error << "\n";
        return 1;
    }
    int sig = 0;
    while (sigwait(&stopSignals, &sig) != 0) {
    }
    server.Stop();
    return 0;
}

void AddServe(CLI::App& root) {
    auto* serve = root.add_subcommand("serve", "Run the personal web server until stopped");
    auto args = std::make_shared<ServeArgs>();
    serve->add_option("--root", args->root, "The folder served (default: the settings')");
    serve->add_option("--port", args->port, "The port; 0 takes a free one")->check(CLI::Range(0, 65535));
    serve->add_option("--listen", args->listen, "Listen on this address only");
    serve->add_option("--server-name", args->serverName, "The name in the server's own pages");
    OnRun(serve, [args] { return Serve(*args); });
}

}  // namespace

static Registrar reg{&AddServe};

}  // namespace sky::cli
