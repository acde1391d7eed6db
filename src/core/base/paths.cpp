#include "core/base/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace sky {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string();
}

std::string HomeDir() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string StripTrailingSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

}  // namespace

std::string JoinPath(std::string_view a, std::string_view b) {
    std::string out(a);
    while (!out.empty() && out.back() == '/') out.pop_back();
    size_t i = 0;
    while (i < b.size() && b[i] == '/') ++i;
    out += '/';
    out.append(b.substr(i));
    return out;
}

std::string DataRoot() {
    std::string home = Env("SKYHARBOR_HOME");
    if (!home.empty()) return StripTrailingSlash(home);
    std::string xdg = Env("XDG_DATA_HOME");
    if (xdg.empty()) xdg = JoinPath(HomeDir(), ".local/share");
    return JoinPath(xdg, "skyharbor");
}

std::string SettingsPath() {
    std::string home = Env("SKYHARBOR_HOME");
    if (!home.empty()) return JoinPath(home, "skyharbor.ini");
    std::string xdg = Env("XDG_CONFIG_HOME");
    if (xdg.empty()) xdg = JoinPath(HomeDir(), ".config");
    return JoinPath(JoinPath(xdg, "skyharbor"), "skyharbor.ini");
}

std::string GetDataDir(std::string_view subfolder, bool create, std::string* error) {
    std::string dir = subfolder.empty() ? DataRoot() : JoinPath(DataRoot(), subfolder);
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec || !std::filesystem::is_directory(dir)) {
            if (error) *error = "cannot create " + dir + ": " + (ec ? ec.message() : "not a folder");
            return {};
        }
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}

namespace {
// Scratch files belong to one run: the folder goes when the process ends normally.
struct TempDirOwner {
    std::string dir;
    pid_t owner = 0;
    ~TempDirOwner() {
        if (dir.empty() || owner != ::getpid()) return;
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};
}  // namespace

std::string PrivateTempDir() {
    static std::once_flag once;
    static TempDirOwner owner;
    static std::string dir;
    std::call_once(once, [] {
        std::string base = Env("TMPDIR");
        if (base.empty() || !std::filesystem::is_directory(base)) base = "/tmp";
        std::string tmpl = JoinPath(base, "skyharbor-XXXXXX");
        if (char* made = ::mkdtemp(tmpl.data())) {
            ::chmod(made, 0700);
            dir = std::string(made) + "/";
            owner.dir = made;
            owner.owner = ::getpid();
        }
    });
    return dir;
}

}  // namespace sky
