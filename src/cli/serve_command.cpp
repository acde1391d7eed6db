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

bool ParsePort(const std::string& text, int* port) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 0 || v > 65535) return false;
    *port = static_cast<int>(v);
    return true;
}

}  // namespace

// Runs the personal web server without windows until SIGINT or SIGTERM.
int RunServe(const Args& args) {
    using namespace sky::httpsvr;
    ServerOptions options;
    options.settings = ServerSettings::Load(SettingsStore::App());
    bool ownRoot = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return Usage(("serve: " + a + " needs a value").c_str());
        const std::string& value = args[++i];
        if (a == "--root") {
            options.settings.root = value;
            ownRoot = true;
        } else if (a == "--port") {
            if (!ParsePort(value, &options.settings.port)) return Usage("serve: --port wants 0 to 65535");
        } else if (a == "--listen") {
            options.settings.listenAddress = value;
        } else if (a == "--server-name") {
            options.settings.serverName = value;
            options.settings.ownName = true;
        } else {
            return Usage(("serve: unknown option " + a).c_str());
        }
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

static Registrar reg{
    {"serve", "serve [--root DIR] [--port N] [--listen ADDR] [--server-name NAME]", &RunServe}};

}  // namespace sky::cli
