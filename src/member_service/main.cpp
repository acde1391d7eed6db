#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/url_codec.h"
#include "member_service/member_service.h"

namespace {

const char* kUsage =
    "usage: skyharbor-member-service [--listen HOST:PORT] [--data DIR] [--search-url URL]\n"
    "                                [--news-search-url URL] [--public-url URL] [--max-space-gb N]\n"
    "       skyharbor-member-service [--data DIR] post startup|broadcast|bulletin URL\n"
    "       skyharbor-member-service [--data DIR] interval MS\n"
    "       skyharbor-member-service [--data DIR] add-member NAME PASSWORD PROMPT EMAIL\n"
    "\n"
    "Without a command it serves until interrupted (default 127.0.0.1:7780).\n"
    "post      stores a message for the next pings and prints its serial\n"
    "interval  sets the ping interval sent with every answer (0, the default, sends\n"
    "          none and the program keeps its own 15 minutes)\n"
    "add-member  adds a member as registration would (name and password lower-cased)\n"
    "--public-url  where members reach the service, e.g. https://harbor.example.org;\n"
    "          links and redirects start with it (default http://HOST:PORT of --listen)\n"
    "--max-space-gb  all web space and public space together (default 10)\n"
    "Search addresses default to [Service] search= and newssearch= of DIR/service.ini.\n"
    "DIR defaults to the program's own: $SKYHARBOR_HOME/MemberService, else\n"
    "$XDG_DATA_HOME/skyharbor/MemberService.\n";

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "skyharbor-member-service: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "skyharbor-member-service: %s\n", error.c_str());
    return 1;
}

volatile std::sig_atomic_t gStop = 0;

}  // namespace

int main(int argc, char** argv) {
    sky::member::Options options;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--listen") {
            const char* v = value();
            if (!v) return Usage("--listen needs HOST:PORT");
            // Port 0 lets the system choose (the tests' way to run several).
            auto hp = sky::ParseHostPort(v, -1, {.zeroPort = true});
            if (!hp || hp->port < 0) return Usage("bad --listen address");
            options.listenHost = hp->host;
            options.port = hp->port;
        } else if (a == "--data") {
            const char* v = value();
            if (!v || !*v) return Usage("--data needs a folder");
            options.dataDir = v;
        } else if (a == "--search-url") {
            const char* v = value();
            if (!v) return Usage("--search-url needs an address");
            options.searchUrl = v;
        } else if (a == "--news-search-url") {
            const char* v = value();
            if (!v) return Usage("--news-search-url needs an address");
            options.newsSearchUrl = v;
        } else if (a == "--public-url") {
            const char* v = value();
            if (!v || !*v) return Usage("--public-url needs an address");
            options.publicUrl = v;
        } else if (a == "--max-space-gb") {
            const char* v = value();
            char* end = nullptr;
            double gb = v ? std::strtod(v, &end) : -1;
            if (!v || !end || *end || !(gb > 0) || gb > 1e6)
                return Usage("--max-space-gb needs a positive number");
            options.maxSpace = uint64_t(gb * 1024 * 1024 * 1024);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else {
            args.push_back(a);
        }
    }
    if (options.dataDir.empty()) options.dataDir = sky::member::DefaultDataDir();
    std::string error;

    if (!args.empty()) {
        const std::string& cmd = args[0];
        if (cmd == "post") {
            if (args.size() != 3) return Usage("post needs a kind and an address");
            sky::member::PostKind kind;
            if (args[1] == "startup")
                kind = sky::member::PostKind::Startup;
            else if (args[1] == "broadcast")
                kind = sky::member::PostKind::Broadcast;
            else if (args[1] == "bulletin")
                kind = sky::member::PostKind::Bulletin;
            else
                return Usage("the kind is startup, broadcast or bulletin");
            int serial = sky::member::PostMessage(options.dataDir, kind, args[2], &error);
            if (serial < 0) return Fail(error);
            std::printf("%d\n", serial);
            return 0;
        }
        if (cmd == "interval") {
            char* end = nullptr;
            long ms = args.size() == 2 ? std::strtol(args[1].c_str(), &end, 10) : -1;
            if (args.size() != 2 || !end || *end || ms < 0 || ms > 86400000L)
                return Usage("interval needs milliseconds, 0 to 86400000");
            return sky::member::SetPingInterval(options.dataDir, int(ms), &error) ? 0 : Fail(error);
        }
        if (cmd == "add-member") {
            if (args.size() != 5) return Usage("add-member needs NAME PASSWORD PROMPT EMAIL");
            return sky::member::AddMember(options.dataDir, args[1], args[2], args[3], args[4], &error)
                       ? 0
                       : Fail(error);
        }
        return Usage(("unknown command " + cmd).c_str());
    }

    sky::member::MemberService service(options);
    if (!service.Start(&error)) return Fail(error);
    std::printf("skyharbor-member-service: serving %s on %s:%d\n", options.dataDir.c_str(),
                options.listenHost.c_str(), service.port());
    std::fflush(stdout);
    std::signal(SIGINT, [](int) { gStop = 1; });
    std::signal(SIGTERM, [](int) { gStop = 1; });
    while (!gStop) pause();
    service.Stop();
    return 0;
}
