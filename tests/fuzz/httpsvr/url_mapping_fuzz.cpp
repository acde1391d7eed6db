#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/httpsvr/request_handler.h"

using namespace sky::httpsvr;

namespace {

std::string Real(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// A small served tree with the things a URL may try to reach: hidden parts,
// links in and out of the root, a program, path info.
struct Tree {
    std::string base;
    std::string root;
    std::string realRoot;
    Tree() {
        char dir[] = "/tmp/skyharbor-fuzz-XXXXXX";
        base = ::mkdtemp(dir);
        root = base + "/root";
        ::mkdir(root.c_str(), 0755);
        ::mkdir((root + "/sub").c_str(), 0755);
        ::mkdir((root + "/.hidden").c_str(), 0755);
        ::mkdir((base + "/outside").c_str(), 0755);
        for (const char* f : {"/a.txt", "/sub/b.htm", "/.hidden/x", "/sub/index.htm", "/.dot"})
            std::ofstream(root + f) << "x";
        std::ofstream(base + "/outside/secret") << "secret";
        std::ofstream(root + "/prog.sh") << "#!/bin/sh\n";
        ::chmod((root + "/prog.sh").c_str(), 0755);
        ::symlink((base + "/outside").c_str(), (root + "/out").c_str());
        ::symlink((base + "/outside/secret").c_str(), (root + "/sub/secret").c_str());
        ::symlink((root + "/a.txt").c_str(), (root + "/in.txt").c_str());
        ::symlink("../..", (root + "/sub/up").c_str());
        realRoot = Real(root);
    }
    ~Tree() {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
};

bool Under(const std::string& path, const std::string& root) {
    return path == root ||
           (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Tree tree;
    static FileRequestHandler handler([] {
        HandlerConfig c;
        c.root = tree.root;
        c.serverName = "fuzz";
        return c;
    }());
    std::string raw(reinterpret_cast<const char*>(data), size);

    bool hidden = HasHiddenPart(raw);
    if (!raw.empty() && raw[0] == '.' && !hidden) __builtin_trap();

    CRequest request;
    request.method = "GET";
    SetRequestUrl(request, raw);
    if (auto mapped = handler.MapUrl(request.url)) {
        // Mapping alone never leaves the root, nor keeps a "." or ".." part.
        if (!Under(*mapped, tree.root)) __builtin_trap();
        std::string rest = mapped->substr(tree.root.size()) + "/";
        if (rest.find("/../") != std::string::npos || rest.find("/./") != std::string::npos) __builtin_trap();
    }

    int opened = -1;
    auto decided = handler.Resolve(request, &opened);
    if (!decided) {
        // Whatever is served lies under the root once links are followed, and is not hidden.
        std::string real = Real(request.physicalPath);
        if (real.empty() || !Under(real, tree.realRoot)) __builtin_trap();
        if (HasHiddenPart(request.physicalPath.substr(tree.root.size()))) __builtin_trap();
        // A program is run, never sent.
        if (request.physicalPath == tree.root + "/prog.sh" && request.kind == kKindPlain) __builtin_trap();
    }
    if (opened >= 0) ::close(opened);
    return 0;
}
