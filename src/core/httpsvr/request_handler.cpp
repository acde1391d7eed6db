#include "core/httpsvr/request_handler.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "core/base/mime_types.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"
#include "core/httpsvr/status.h"

namespace sky::httpsvr {

namespace {

const char* const kDefaultDocuments[] = {"default.html", "default.htm", "index.html", "index.htm"};
const char* const kDefaultPrograms[] = {"default.cgi", "default.sh"};
const char* const kCgiExtensions[] = {"cgi", "sh", "pl", "py"};
constexpr char kExtensionLibrary[] = "so";

const char kBlankIcon[] =
    "<img src=\"/SvrAdmin/Blank.gif\" align=bottom alt=\"     \" border=0 width=16 height=16>";
const char kFileIcon[] =
    "<img src=\"/SvrAdmin/File.gif\" align=bottom alt=\"     \" border=0 width=16 height=16>";
const char kFolderIcon[] =
    "<img src=\"/SvrAdmin/Folder.gif\" align=bottom alt=\"     \" border=0 width=16 height=16>";
const char kPrevIcon[] =
    "<img src=\"/SvrAdmin/Prev.gif\" align=bottom alt=\"     \" border=0 width=16 height=16>";

std::string Extension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

bool IsUnder(const std::string& path, const std::string& root) {
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            (root == "/" || path[root.size()] == '/'));
}

bool HasCgiExtension(const std::string& path) {
    std::string ext = Extension(path);
    return std::any_of(std::begin(kCgiExtensions), std::end(kCgiExtensions),
                       [&](const char* e) { return EqualsNoCase(ext, e); });
}

std::string WithoutNul(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
    return s;
}

std::string ListingTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d/%y %H:%M", &tm);
    return buf;
}

}  // namespace

Response::Response(Response&& o) noexcept
    : head(std::move(o.head)),
      fd(o.fd),
      offset(o.offset),
      length(o.length),
      cgi(std::move(o.cgi)),
      headOnly(o.headOnly) {
    o.fd = -1;
}

Response& Response::operator=(Response&& o) noexcept {
    if (this != &o) {
        if (fd >= 0) ::close(fd);
        head = std::move(o.head);
        fd = o.fd;
        offset = o.offset;
        length = o.length;
        cgi = std::move(o.cgi);
        headOnly = o.headOnly;
        o.fd = -1;
    }
    return *this;
}

Response::~Response() {
    if (fd >= 0) ::close(fd);
}

bool HasHiddenPart(std::string_view relative) {
    size_t i = 0;
    while (i < relative.size()) {
        while (i < relative.size() && relative[i] == '/') ++i;
        if (i < relative.size() && relative[i] == '.') return true;
        while (i < relative.size() && relative[i] != '/') ++i;
    }
    return false;
}

bool IsLoopbackAddress(std::string_view address) {
    return address == "::1" || address.substr(0, 4) == "127.";
}

void PeerAddressSet::Add(const std::string& address) {
    std::lock_guard lock(mutex_);
    addresses_.insert(address);
}

void PeerAddressSet::Remove(const std::string& address) {
    std::lock_guard lock(mutex_);
    addresses_.erase(address);
}

void PeerAddressSet::Replace(std::set<std::string> addresses) {
    std::lock_guard lock(mutex_);
    addresses_.swap(addresses);
}

bool PeerAddressSet::Contains(const std::string& address) const {
    std::lock_guard lock(mutex_);
    return addresses_.count(address) != 0;
}

std::string ListingSizeText(bool folder, uint64_t size) {
    if (folder) return "  Folder";
    if (size > 0xffffffffull) return "   &gt; 4GB";
    if (size < 1024) return "    &lt; 1K";
    return Format("%7dK", static_cast<int>(size / 1024));
}

FileRequestHandler::FileRequestHandler(HandlerConfig config) : config_(std::move(config)) {
    while (config_.root.size() > 1 && config_.root.back() == '/') config_.root.pop_back();
    realRoot_ = RealPath(config_.root);
}

FileRequestHandler::~FileRequestHandler() {
    if (rootFd_ >= 0) ::close(rootFd_);
}

std::optional<std::string> FileRequestHandler::MapUrl(const std::string& url) const {
    if (url.find('\0') != std::string::npos) return std::nullopt;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= url.size()) {
        // A backslash separates like a slash, so it cannot smuggle in a "..".
        size_t end = url.find_first_of("/\\", i);
        if (end == std::string::npos) end = url.size();
        std::string part = url.substr(i, end - i);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        i = end + 1;
    }
    std::string path = config_.root;
    for (const auto& p : parts) path += "/" + p;
    return path;
}

bool FileRequestHandler::IsCgiProgram(const std::string& path) const {
    return HasCgiExtension(path) && ::access(path.c_str(), X_OK) == 0;
}

int FileRequestHandler::OpenBeneathRoot(const std::string& relative) {
    if (rootFd_ < 0) rootFd_ = ::open(config_.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0) return -1;
    open_how how{};
    how.flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const char* rel = relative.empty() ? "." : relative.c_str();
    return static_cast<int>(::syscall(SYS_openat2, rootFd_, rel, &how, sizeof how));
}

std::optional<Response> FileRequestHandler::Resolve(CRequest& request, int* opened) {
    auto fail = [&](int code) {
        request.status = code;
        return std::optional<Response>(Response(ErrorHead(code)));
    };
    bool offered = StartsWithNoCase(request.url, "/~SKYCMD");
    std::string path;
    if (offered) {
        std::optional<std::string> found;
        if (config_.offeredFiles) found = config_.offeredFiles->Resolve(request.url, request.clientAddress);
        if (!found) return fail(400);
        path = *found;
    } else {
        auto mapped = MapUrl(request.url);
        if (!mapped) return fail(400);
        path = *mapped;
    }

    // The common case in one step: the kernel keeps the open under the root,
    // links included. Anything else takes the long way below.
    if (opened && !offered && request.kind == kKindPlain && !HasCgiExtension(path)) {
        std::string relative = path.substr(std::min(path.size(), config_.root.size() + 1));
        int fd = OpenBeneathRoot(relative);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !HasHiddenPart(relative)) {
            request.physicalPath = path;
            request.isFolder = false;
            *opened = fd;
            return std::nullopt;
        }
        if (fd >= 0) ::close(fd);
    }

    struct stat st {};
    std::string info;
    while (::stat(path.c_str(), &st) != 0) {
        size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0 || (!offered && path.size() <= config_.root.size()))
            return fail(404);
        info = path.substr(slash) + info;
        path.resize(slash);
    }
    bool folder = S_ISDIR(st.st_mode);
    if (!info.empty() && folder) return fail(404);

    if (!offered) {
        // Symbolic links may point anywhere; what they reach must still be ours.
        std::string real = RealPath(path);
        if (realRoot_.empty()) realRoot_ = RealPath(config_.root);
        if (realRoot_.empty() || real.empty() || !IsUnder(real, realRoot_)) return fail(400);
        if (HasHiddenPart(std::string_view(path).substr(config_.root.size()))) return fail(403);
    } else if (path[0] != '/' || HasHiddenPart(path.substr(path.rfind('/')))) {
        return fail(path[0] != '/' ? 400 : 403);
    }

    request.physicalPath = path;
    request.isFolder = folder;
    request.pathInfo = info;
    if (!info.empty()) {
        if (auto translated = MapUrl(info)) request.pathTranslated = *translated;
    }

    if (!folder) {
        // A program is never handed out as a file: without a query it runs with an empty one.
        if (request.kind == kKindPlain && !offered && IsCgiProgram(path)) request.kind = kKindCgi;
        if (request.kind != kKindPlain && request.kind != kKindCgi) {
            if (IsCgiProgram(path)) {
                request.kind = kKindCgi;
            } else if (EqualsNoCase(Extension(path), kExtensionLibrary)) {
                request.kind = kKindExtension;
            } else {
                return fail(400);
            }
        }
        return std::nullopt;
    }

    auto redirect = [&](const std::string& file, const char* suffix) {
        std::string url = "http://" + config_.serverName;
        if (config_.port != 80) url += Format(":%d", config_.port);
        url += PathEncode(file.substr(config_.root.size())) + suffix;
        request.status = 302;
        return std::optional<Response>(Response(StatusHead(302) + "Location: " + url + "\r\n\r\n"));
    };
    std::string base = path == "/" ? std::string() : path;
    // Looked up relative to the folder: one walk of the path instead of six.
    int dir = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    auto isFile = [&](const char* name) {
        struct stat entry {};
        return dir >= 0 && ::fstatat(dir, name, &entry, 0) == 0 && S_ISREG(entry.st_mode);
    };
    const char* found = nullptr;
    const char* suffix = "";
    for (const char* name : kDefaultDocuments) {
        if (!found && isFile(name)) found = name;
    }
    for (const char* name : kDefaultPrograms) {
        if (!found && isFile(name)) {
            found = name;
            suffix = "?";
        }
    }
    if (dir >= 0) ::close(dir);
    if (found) return redirect(base + "/" + found, suffix);
    return std::nullopt;
}

Response FileRequestHandler::PrepareFile(CRequest& request, bool headOnly, int fd) {
    if (request.isFolder) {
        if (!config_.allowListings) {
            request.status = 403;
            return Response(ErrorHead(403));
        }
        request.status = 200;
        Response r(StatusHead(200) + "\r\n");
        if (!headOnly) r.head += Listing(request).head;
        return r;
    }
    // Not blocking on open: a FIFO under the root must not hang the server.
    if (fd < 0) fd = ::open(request.physicalPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        request.status = 503;
        return Response(ErrorHead(503));
    }
    Response r;
    r.fd = fd;
    if (!S_ISREG(st.st_mode)) {
        request.status = 403;
        r.head = ErrorHead(403);
        return r;
    }
    std::string since = request.Header("if-modified-since");
    if (!since.empty()) {
        if (auto when = ParseHttpDate(since); when && st.st_mtime <= *when) {
            request.status = 304;
            r.head = ErrorHead(304);
            return r;
        }
    }
    request.status = 200;
    r.head = StatusHead(200);
    std::string type = MimeTypeForExtension(Extension(request.physicalPath));
    if (!type.empty()) r.head += "Content-type: " + type + "\r\n";
    r.head += Format("Content-length: %llu\r\n", static_cast<unsigned long long>(st.st_size));
    r.head += "Last-Modified: " + HttpDate(st.st_mtime) + "\r\n\r\n";
    if (!headOnly) r.length = static_cast<uint64_t>(st.st_size);
    return r;
}

Response FileRequestHandler::Listing(CRequest& request) {
    std::string folderUrl = request.url;
    if (folderUrl.empty() || folderUrl.back() != '/') folderUrl += '/';
    bool icons = config_.showIcons;
    std::string out =
        "<html>\n<BODY BGCOLOR=\"#AAFFFF\" TEXT=\"#666666\" LINK=\"#0033A1\" VLINK=\"#0033A1\" "
        "LINK=\"#999999\">\n<h1>SkyHarbor Remote Machine Access<BR> ";
    out += "http://" + HtmlEscape(config_.serverName) + HtmlEscape(folderUrl) + "</h1><p>\n";
    if (folderUrl == "/") {
        out +=
            "The URL specified is a folder that does not contain a default document or application. The "
            "following is a listing of what documents and subfolders it does have; please select one:<p>\n";
    }
    out += Format("<pre> Last Modified       Size %sName\n<hr>\n", icons ? kBlankIcon : "");

    struct Entry {
        std::string name;
        bool folder;
        uint64_t size;
        std::time_t time;
    };
    std::vector<Entry> entries;
    if (DIR* dir = ::opendir(request.physicalPath.c_str())) {
        while (dirent* d = ::readdir(dir)) {
            if (d->d_name[0] == '.') continue;
            struct stat st {};
            if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISLNK(st.st_mode)) {
                // The mapping refuses a link that leads out of the root, so the
                // listing does not show it, nor the size and time of what it reaches.
                if (realRoot_.empty()) realRoot_ = RealPath(config_.root);
                std::string real = RealPath(request.physicalPath + "/" + d->d_name);
                if (real.empty() || realRoot_.empty() || !IsUnder(real, realRoot_)) continue;
                if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0) continue;
            }
            entries.push_back(
                {d->d_name, S_ISDIR(st.st_mode), static_cast<uint64_t>(st.st_size), st.st_mtime});
        }
        ::closedir(dir);
    }
    // Names in a steady order, as the system on which listings began returned them.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        int c = strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    // Each line is " %-15s %s <a href=\"%s\">%s%-1s</a>\n", built by hand: folders
    // can be long and this runs for every entry. Entries often share a time.
    out.reserve(out.size() + entries.size() * (icons ? 200 : 100));
    std::time_t shownTime = -1;
    std::string timeText;
    const std::string encodedFolder = PathEncode(folderUrl);
    for (const auto& e : entries) {
        if (e.time != shownTime) {
            shownTime = e.time;
            timeText = ListingTime(e.time);
            if (timeText.size() < 15) timeText.append(15 - timeText.size(), ' ');
        }
        out += ' ';
        out += timeText;
        out += ' ';
        out += ListingSizeText(e.folder, e.size);
        out += " <a href=\"";
        out += encodedFolder;
        out += PathEncode(e.name);
        out += "\">";
        out += icons ? (e.folder ? kFolderIcon : kFileIcon) : "";
        std::string name = HtmlEscape(e.name);
        out += name.empty() ? " " : name;
        out += "</a>\n";
    }
    if (entries.empty()) out += "<strong>empty</strong>\n";
    out += "</pre>\n";
    if (folderUrl != "/") {
        out += Format("<hr><h3><a href=\".\">%s Parent Folder</a></h3>\n", icons ? kPrevIcon : "");
    }
    out += "<hr><em>Do your part to beautify the web! Turn <strong>off</strong> link underlining!</em>\n\r\n";
    return Response(std::move(out));
}

Response FileRequestHandler::SystemPage(CRequest& request) {
    request.status = 404;
    std::string out = ErrorHead(404);
    out += "<HTML><H1>SkyHarbor Remote Machine System Info</H1><HR>";
    long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    out += Format("<BR>Physical Memory: %ld", pages > 0 && pageSize > 0 ? pages / 1024 * pageSize : 0L);
    struct statvfs vfs {};
    if (::statvfs(config_.root.c_str(), &vfs) == 0) {
        // There are no drive letters here; the root of the file tree stands for one.
        out += Format(
            "<BR>%lu KB Free on %c:<HR>",
            static_cast<unsigned long>(static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize / 1024),
            '/');
    } else {
        out += "<BR>Could not obtain disk space";
    }
    SystemPageInfo info;
    if (config_.systemInfo) info = config_.systemInfo();
    // Who this is and the install cookie are for this machine and its chat partners only.
    const std::string& peer = request.clientAddress;
    if (!IsLoopbackAddress(peer) && !(config_.chatPeers && config_.chatPeers->Contains(peer))) {
        info.account.clear();
        info.installCookie.clear();
    }
    out += Format("<P>Account: %s <BR> Install Cookie: %s <BR> Sky Ver: %s <BR>IE Ver:%s",
                  HtmlEscape(info.account).c_str(), HtmlEscape(info.installCookie).c_str(),
                  HtmlEscape(info.version).c_str(), HtmlEscape(info.engineVersion).c_str());
    out += "<HR></HTML>";
    return Response(std::move(out));
}

Response FileRequestHandler::StartCgi(CRequest& request) {
    if (request.kind == kKindExtension) {
        request.status = 501;
        return Response(ErrorHead(501));
    }
    CgiJob job;
    job.program = request.physicalPath;
    job.workingDir = request.physicalPath.substr(0, std::max<size_t>(request.physicalPath.rfind('/'), 1));
    std::string decoded = UrlDecode(request.query, true);
    size_t i = 0;
    while (i < decoded.size()) {
        size_t end = decoded.find(' ', i);
        if (end == std::string::npos) end = decoded.size();
        if (end > i) job.args.push_back(WithoutNul(decoded.substr(i, end - i)));
        i = end + 1;
    }
    auto set = [&](const std::string& name, const std::string& value) {
        job.env.push_back(name + "=" + WithoutNul(value));
    };
    set("SERVER_SOFTWARE", kServerSoftware);
    set("SERVER_NAME", config_.serverName);
    set("GATEWAY_INTERFACE", "CGI/1.1");
    set("SERVER_PROTOCOL", "HTTP/1.0");
    set("SERVER_PORT", std::to_string(config_.port));
    set("REQUEST_METHOD", request.method);
    set("SCRIPT_NAME", request.url);
    set("QUERY_STRING", request.query);
    set("REMOTE_ADDR", request.clientAddress);
    if (request.contentLength > 0) {
        set("CONTENT_LENGTH", request.Header("content-length"));
        set("CONTENT_TYPE", request.Header("content-type"));
    }
    if (!request.pathInfo.empty()) {
        set("PATH_INFO", request.pathInfo);
        set("PATH_TRANSLATED", request.pathTranslated);
    }
    for (const auto& [name, value] : request.headers) {
        // "Proxy:" must not become HTTP_PROXY, and "a_b" must not pass for "a-b".
        if (name == "proxy" || name.empty()) continue;
        bool plain = std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        });
        if (!plain) continue;
        std::string env = "HTTP_";
        for (char c : name)
            env += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        set(env, value);
    }
    if (request.bodyFile) {
        job.inputFile = request.bodyFile;
    } else {
        job.input = std::move(request.body);
    }
    request.status = 0;
    Response r;
    r.cgi = std::move(job);
    return r;
}

Response FileRequestHandler::AnswerGet(CRequest& request, bool headOnly) {
    int opened = -1;
    if (auto decided = Resolve(request, &opened)) return std::move(*decided);
    if (request.kind != kKindPlain) {
        Response r = StartCgi(request);
        r.headOnly = headOnly;
        return r;
    }
    return PrepareFile(request, headOnly, opened);
}

Response FileRequestHandler::Handle(CRequest& request) {
    if (request.contentLength == 0 && EqualsNoCase(request.method, "GET")) {
        if (EqualsNoCase(request.url, "/~SYSTEM")) return SystemPage(request);
        return AnswerGet(request, false);
    }
    if (request.contentLength == 0 && EqualsNoCase(request.method, "HEAD")) return AnswerGet(request, true);
    if (request.contentLength > 0 && EqualsNoCase(request.method, "POST")) {
        if (StartsWithNoCase(request.url, "/~SKYCMD")) {
            // A record that did not fit in memory is no record we send.
            std::optional<chat::RemoteCommand> record;
            if (!request.bodyFile) record = chat::RemoteCommand::Decode(request.body);
            if (!record) {
                request.status = 400;
                return Response(ErrorHead(400));
            }
            if (record->type == chat::kCmdFileRequest) {
                CRequest get;
                get.clientAddress = request.clientAddress;
                get.method = "GET";
                get.headers = request.headers;
                SetRequestUrl(get, record->firstText);
                Response r = AnswerGet(get, false);
                request.url = get.url;
                request.physicalPath = get.physicalPath;
                request.isFolder = get.isFolder;
                request.kind = get.kind;
                request.status = get.status;
                return r;
            }
            if (config_.remoteCommand) config_.remoteCommand(*record, request.clientAddress);
            request.status = 204;
            return Response(ErrorHead(204));
        }
        // A form posted to a CGI program reaches it on standard input.
        if (auto decided = Resolve(request)) return std::move(*decided);
        if (!request.isFolder && IsCgiProgram(request.physicalPath)) {
            request.kind = kKindCgi;
            return StartCgi(request);
        }
    }
    request.status = 501;
    return Response(ErrorHead(501));
}

}  // namespace sky::httpsvr
