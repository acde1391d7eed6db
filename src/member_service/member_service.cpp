// The only unit that includes httplib.h: it is slow to compile.
#include "member_service/member_service.h"

#include <fcntl.h>
#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <thread>

#include "core/base/atomic_file.h"
#include "core/base/mime_types.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"
#include "core/webspace/transfer_record.h"
#include "member_service/member_store.h"
#include "member_service/pages.h"
#include "member_service/request_input.h"
#include "member_service/web_space.h"

namespace sky::member {

using namespace sky::webspace;
namespace {

constexpr uint64_t kPublicQuota = 256u << 20;
constexpr size_t kMaxBody = kMaxFileSize + 4096;
constexpr int kListenBacklog = 128;
const char* kDefaultSearch = "https://duckduckgo.com/html/?q=";
const char* kDefaultNewsSearch = "https://news.google.com/search?q=";

bool Printable(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

bool AllowedChars(std::string_view s, bool spaces) {
    for (unsigned char c : s)
        if (!(isalnum(c) || c == '.' || c == '-' || c == '_' || (spaces && c == ' '))) return false;
    return true;
}

// The server-side check of a registration; the program checks the same
// before it sends, but nothing from the wire is taken on trust.
bool ValidRegistration(const std::string& name, const std::string& password, const std::string& prompt,
                       const std::string& email, const std::string& fname, const std::string& lname) {
    if (!ValidMemberName(name) || name.rfind("sky", 0) == 0 || name == "wiztemplates" || name == "public")
        return false;
    // The password field of a transfer record holds 15 characters and a NUL.
    if (password.empty() || password.size() > 15 || !AllowedChars(password, false)) return false;
    if (prompt.empty() || prompt.size() > 200 || !Printable(prompt)) return false;
    size_t at = email.find('@');
    if (at == std::string::npos || at == 0 || email.size() > 200 || !Printable(email) ||
        email.find(' ') != std::string::npos)
        return false;
    return fname.size() <= 60 && lname.size() <= 60 && AllowedChars(fname, true) && AllowedChars(lname, true);
}

bool ValidMessageUrl(const std::string& url) {
    // "#" ends a field of the ping answer.
    return !url.empty() && url.size() <= 1000 && Printable(url) && url.find('#') == std::string::npos &&
           url.find(' ') == std::string::npos;
}

const char* KindName(int kind) {
    static const char* names[] = {"STARTUPMSG", "BROADCAST", "BULLETIN"};
    return names[kind];
}

// A connection's socket, read with a deadline for the request head and the
// body it announces: httplib's own read time-out starts again with every
// byte, so a client trickling bytes would hold a worker for ever.
class DeadlineStream final : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;
    DeadlineStream(int fd, const std::atomic<bool>& stopping, std::chrono::seconds readTimeout,
                   std::chrono::seconds writeTimeout)
        : fd_(fd), stopping_(stopping), readTimeout_(readTimeout), writeTimeout_(writeTimeout) {}

    void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }

    bool is_readable() const override { return pos_ < end_ || Wait(POLLIN, readTimeout_, deadline_); }
    bool is_writable() const override { return Wait(POLLOUT, writeTimeout_, Clock::time_point::max()); }
    ssize_t read(char* ptr, size_t size) override {
        if (pos_ == end_) {
            if (!is_readable()) return -1;
            ssize_t n;
            do n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            pos_ = 0;
            end_ = size_t(n);
        }
        size_t n = std::min(size, end_ - pos_);
        std::memcpy(ptr, buffer_ + pos_, n);
        pos_ += n;
        return ssize_t(n);
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n;
        do n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override { Name(::getpeername, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Name(::getsockname, ip, port); }
    socket_t socket() const override { return fd_; }

private:
    // Polls in short slices so that a stopping service is not kept waiting.
    bool Wait(short events, std::chrono::seconds timeout, Clock::time_point deadline) const {
        auto until = std::min(Clock::now() + timeout, deadline);
        while (!stopping_) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{fd_, events, 0};
            int r = ::poll(&p, 1, int(std::min<long long>(left, 200)));
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
        return false;
    }
    void Name(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        char host[NI_MAXHOST] = "";
        char serv[NI_MAXSERV] = "";
        if (get(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
            ::getnameinfo(reinterpret_cast<sockaddr*>(&a), len, host, sizeof host, serv, sizeof serv,
                          NI_NUMERICHOST | NI_NUMERICSERV) != 0)
            return;
        ip = host;
        // One client is one address, however it reached a dual-stack socket.
        if (ip.rfind("::ffff:", 0) == 0 && ip.find('.') != std::string::npos) ip = ip.substr(7);
        port = std::atoi(serv);
    }

    int fd_;
    const std::atomic<bool>& stopping_;
    std::chrono::seconds readTimeout_, writeTimeout_;
    Clock::time_point deadline_ = Clock::time_point::max();
    char buffer_[4096];
    size_t pos_ = 0, end_ = 0;
};

// httplib's server with the connection loop of its own, reading through a
// DeadlineStream.
class GuardedServer : public httplib::Server {
public:
    std::chrono::seconds headDeadline{10};
    std::atomic<bool> stopping{false};

    // Gives the request being read on this thread the time its body needs:
    // one second per 64 KiB beyond the head's.
    void AllowBody(uint64_t length) {
        if (current_)
            current_->SetDeadline(DeadlineStream::Clock::now() + headDeadline +
                                  std::chrono::seconds(length / 65536));
    }

private:
    bool process_and_close_socket(socket_t sock) override {
        // httplib accepts without SOCK_CLOEXEC; mark it before anything else runs on it.
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);
        bool ret = false;
        {
            DeadlineStream stream(sock, stopping, std::chrono::seconds(read_timeout_sec_),
                                  std::chrono::seconds(write_timeout_sec_));
            current_ = &stream;
            for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET && !stopping;
                 --left) {
                // The deadline covers the wait for a kept-alive connection's next request too.
                stream.SetDeadline(DeadlineStream::Clock::now() + headDeadline);
                if (!stream.is_readable()) break;
                bool closed = false;
                ret = process_request(stream, left == 1, closed, nullptr);
                if (!ret || closed) break;
            }
            current_ = nullptr;
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ret;
    }

    static inline thread_local DeadlineStream* current_ = nullptr;
};

bool ValidPublicUrl(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return false;
    if (url.size() > 200 || url.size() <= url.find("//") + 2) return false;
    for (unsigned char c : url)
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '#' || c == '?' ||
            c == '\\')
            return false;
    return true;
}

// Where the service says it is: the public address given, else the listen address.
std::string PublicBase(const Options& o, int port) {
    std::string url = o.publicUrl;
    if (!url.empty()) {
        while (url.back() == '/') url.pop_back();
        return url;
    }
    std::string host = o.listenHost;
    if (host.empty() || host == "0.0.0.0" || host == "::") {
        char name[256] = "";
        host = ::gethostname(name, sizeof name - 1) == 0 && *name ? name : "127.0.0.1";
    }
    return "http://" + JoinHostPort(host, port);
}

}  // namespace

struct MemberService::Impl {
    Options options;
    std::unique_ptr<MemberStore> store;
    std::unique_ptr<FileSpace> webSpace;
    std::unique_ptr<FileSpace> publicSpace;
    std::unique_ptr<SpaceBudget> budget;
    GuardedServer server;
    std::thread thread;
    int port = 0;
    int listenFd = -1;
    std::atomic<unsigned> adTurn{0};
    std::string searchUrl, newsSearchUrl;
    std::string base;  // every absolute address starts with it

    std::mutex registrationsMutex;
    std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> registrations;
    // Whether `address` may ask for one more account now; counts the request.
    bool MayRegister(const std::string& address);

    static void Html(httplib::Response& res, const std::string& page, int status = 200) {
        res.status = status;
        res.set_content(page, "text/html; charset=utf-8");
    }
    static void Text(httplib::Response& res, const std::string& text) { res.set_content(text, "text/plain"); }
    void NotFound(const httplib::Request& req, httplib::Response& res) {
        Html(res, ErrorPage(base, "Not found", "There is no page at " + req.path + "."), 404);
    }

    void Get(const httplib::Request& req, httplib::Response& res);
    void Post(const httplib::Request& req, httplib::Response& res, const std::string& body);
    void SkyReg(const httplib::Request& req, httplib::Response& res, const Query& q);
    void Show(const httplib::Request& req, httplib::Response& res, const Query& q);
    void MemberPage(const httplib::Request& req, httplib::Response& res, const std::string& rest);
    void ServeFile(httplib::Response& res, const std::string& path, const std::string& name);
    void Search(httplib::Response& res, const std::string& prefix, const std::string& words);
};

namespace {

// Sends a file in pieces straight from disk, so a large one starts at once
// and never sits whole in memory. False when it cannot be opened.
bool StreamFile(httplib::Response& res, const std::string& path, const std::string& type) {
    // Not an ifstream: the descriptor must not outlive an exec in the program that embeds us.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    auto file = std::shared_ptr<int>(new int(fd), [](int* f) {
        ::close(*f);
        delete f;
    });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    res.set_content_provider(static_cast<size_t>(st.st_size), type.c_str(),
                             [file](size_t offset, size_t length, httplib::DataSink& sink) {
                                 char buffer[64 * 1024];
                                 size_t n = std::min(length, sizeof buffer);
                                 ssize_t got;
                                 do got = ::pread(*file, buffer, n, static_cast<off_t>(offset));
                                 while (got < 0 && errno == EINTR);
                                 if (got <= 0) return false;
                                 return sink.write(buffer, static_cast<size_t>(got));
                             });
    return true;
}

}  // namespace

void MemberService::Impl::ServeFile(httplib::Response& res, const std::string& path,
                                    const std::string& name) {
    size_t dot = name.rfind('.');
    std::string type = dot == std::string::npos ? "" : MimeTypeForExtension(name.substr(dot + 1));
    if (!StreamFile(res, path, type.empty() ? "application/octet-stream" : type)) res.status = 404;
}

void MemberService::Impl::Search(httplib::Response& res, const std::string& prefix,
                                 const std::string& words) {
    res.set_redirect(prefix + FormEncode(Trim(words)), 302);
}

void MemberService::Impl::SkyReg(const httplib::Request& req, httplib::Response& res, const Query& q) {
    if (q.Is("Ping")) {
        PingRecord ping{q.Get("account"), q.Get("installcookie"), q.Get("action"), q.Get("ver")};
        for (std::string* s : {&ping.account, &ping.cookie, &ping.action, &ping.version})
            s->resize(std::min<size_t>(s->size(), 100));
        ping.account = ToLower(Trim(ping.account));
        // Only her own ping may say what she runs and when she was last seen.
        if (!ping.account.empty() && store->OwnPing(ping, req.remote_addr)) store->RecordPing(ping);
        std::string answer = "PONG#";
        int interval = std::atoi(store->GetSetting("pinginterval", "0").c_str());
        if (interval > 0) answer += "PINGINTERVAL=" + std::to_string(interval) + "#";
        static const char* seen[] = {"laststartupmsg", "lastbroadcast", "lastbulletin"};
        for (int kind = 0; kind < 3; ++kind) {
            auto [serial, url] = store->NewestMessage(kind);
            if (serial == 0 || serial <= std::atoi(q.Get(seen[kind]).c_str())) continue;
            if (!url.empty() && url[0] == '/') url = base + url;
            answer += std::string(KindName(kind)) + "=" + std::to_string(serial) + "=" + url + "#";
        }
        Text(res, answer);
    } else if (q.Is("Login")) {
        std::string account = ToLower(Trim(q.Get("account"))), password = ToLower(Trim(q.Get("password")));
        std::string prompt;
        LoginResult r = account.empty() ? LoginResult::Unknown
                                        : store->CheckLogin(account, password, &prompt, req.remote_addr);
        if (r == LoginResult::Ok) {
            store->RecordLogin(account, req.remote_addr);
            Text(res, "__OK");
        } else if (r == LoginResult::BadPassword) {
            // The program reads the hint up to the next "__".
            while (prompt.find("__") != std::string::npos) prompt.replace(prompt.find("__"), 2, "_");
            while (!prompt.empty() && prompt.back() == '_') prompt.pop_back();
            Text(res, "__BADPASS__" + prompt + "__");
        } else {
            Text(res, "__ERROR__");
        }
    } else if (q.Is("RegisterUser2")) {
        MemberRecord m;
        m.name = ToLower(Trim(q.Get("account")));
        std::string password = ToLower(Trim(q.Get("password")));
        m.prompt = Trim(q.Get("passwordprompt"));
        m.email = Trim(q.Get("email"));
        m.firstName = Trim(q.Get("fname"));
        m.lastName = Trim(q.Get("lname"));
        if (!ValidRegistration(m.name, password, m.prompt, m.email, m.firstName, m.lastName)) {
            Text(res, "__ERROR__");
            return;
        }
        if (!MayRegister(req.remote_addr)) {
            Text(res, "__ERROR__");
            return;
        }
        AddResult r = store->AddMember(m, password, nullptr);
        Text(res, r == AddResult::Added ? "__OK__" : r == AddResult::Taken ? "__TAKEN__" : "__ERROR__");
    } else {
        Text(res, "__ERROR__");
    }
}

bool MemberService::Impl::MayRegister(const std::string& address) {
    auto now = std::chrono::steady_clock::now();
    auto expired = [now](const auto& times) {
        return times.empty() || now - times.back() >= std::chrono::hours(1);
    };
    std::lock_guard lock(registrationsMutex);
    if (registrations.size() > 10000)
        std::erase_if(registrations, [&](const auto& r) { return expired(r.second); });
    auto& times = registrations[address];
    while (!times.empty() && now - times.front() >= std::chrono::hours(1)) times.pop_front();
    if (int(times.size()) >= options.registrationsPerHour) return false;
    times.push_back(now);
    return true;
}

void MemberService::Impl::Show(const httplib::Request& req, httplib::Response& res, const Query& q) {
    auto cut = [](std::string s, size_t n) { return s.size() > n ? s.substr(0, n) : s; };
    if (q.Is("Start")) {
        std::string account = ToLower(Trim(q.Get("u")));
        bool member = ValidMemberName(account) && store->FindMember(account).has_value();
        Html(res, StartPage(base, cut(Trim(q.Get("z")), 10), cut(account, 60), member));
    } else if (q.Is("AddTopic")) {
        Topic t;
        t.category = std::atoi(q.Get("c").c_str());
        t.owner = cut(Trim(q.Get("o")), 60);
        t.description = cut(Trim(q.Get("desc")), 200);
        t.longDescription = cut(Trim(q.Get("ldesc")), 4000);
        if (t.description.empty() || (t.id = store->AddTopic(t)) == 0) {
            Html(res, ErrorPage(base, "Topic not added", "A topic needs a description."), 400);
            return;
        }
        auto topic = store->FindTopic(t.id);
        Html(res, TopicPage(base, topic ? *topic : t, {}));
    } else if (q.Is("AddComment") || q.Is("Topic")) {
        int64_t id = std::atoll(q.Get("t").c_str());
        auto topic = store->FindTopic(id);
        if (!topic) {
            Html(res, ErrorPage(base, "No such topic", "That topic does not exist."), 404);
            return;
        }
        if (q.Is("AddComment")) {
            Comment c;
            c.topic = id;
            c.heading = cut(Trim(q.Get("h")), 200);
            c.user = cut(Trim(q.Get("u")), 60);
            c.text = cut(Trim(q.Get("txt")), 8000);
            c.attachUrl = cut(Trim(q.Get("aurl")), 1000);
            c.attachDesc = cut(Trim(q.Get("adesc")), 200);
            c.linkUrl = cut(Trim(q.Get("lurl")), 1000);
            c.linkDesc = cut(Trim(q.Get("ldesc")), 200);
            if (c.text.empty() && c.heading.empty()) {
                Html(res, ErrorPage(base, "Comment not added", "A comment needs a heading or a text."), 400);
                return;
            }
            store->AddComment(c);
        }
        Html(res, TopicPage(base, *topic, store->Comments(id)));
    } else {
        Html(res, TopicsPage(base, store->Topics()));
    }
}

void MemberService::Impl::MemberPage(const httplib::Request& req, httplib::Response& res,
                                     const std::string& rest) {
    size_t slash = rest.find('/');
    std::string name = ToLower(rest.substr(0, slash));
    if (!ValidMemberName(name)) return NotFound(req, res);
    auto member = store->FindMember(name);
    if (!member) return NotFound(req, res);
    if (slash == std::string::npos) {
        res.set_redirect(base + "/~" + name + "/", 301);
        return;
    }
    std::string file = rest.substr(slash + 1);
    std::vector<FileInfo> files = webSpace->List(name);
    if (file.empty()) {
        for (const char* index : {"index.htm", "index.html"})
            for (const FileInfo& f : files)
                if (EqualsNoCase(f.name, index))
                    return ServeFile(res, webSpace->PathOf(name, f.name), f.name);
        std::string b = "<ul>";
        for (const FileInfo& f : files)
            b += "<li><a href=\"" + HtmlEscape(base + "/~" + name + "/" + FormEncode(f.name)) + "\">" +
                 HtmlEscape(f.name) + "</a> <span class=\"small\">" + std::to_string(f.size) +
                 " bytes</span></li>";
        if (files.empty()) b += "<li>No files yet.</li>";
        return Html(res, Page("~" + name, b + "</ul>", base));
    }
    if (!SafeFileName(file)) return NotFound(req, res);
    // Old servers matched file names without regard to case; exact first.
    for (const FileInfo& f : files)
        if (f.name == file) return ServeFile(res, webSpace->PathOf(name, f.name), f.name);
    for (const FileInfo& f : files)
        if (EqualsNoCase(f.name, file)) return ServeFile(res, webSpace->PathOf(name, f.name), f.name);
    if (EqualsNoCase(file, "finger.htm")) return Html(res, FingerPage(base, *member, files.size()));
    NotFound(req, res);
}

void MemberService::Impl::Get(const httplib::Request& req, httplib::Response& res) {
    const std::string p = ToLower(req.path);
    Query q = Query::Parse(req.target);
    auto starts = [&p](const char* s) { return p.rfind(s, 0) == 0; };
    auto tail = [&req](size_t n) { return req.path.substr(n); };

    if (p == "/scripts/skyreg.dll") return SkyReg(req, res, q);
    if (p == "/" || p == "/sky_start/" || p == "/sky_start/skydata.htm")
        return Html(res, StartPage(base, "", "", false));
    if (p == "/sky_start/sky.css") return res.set_content(StyleSheet(), "text/css");
    if (p == "/skychan1.sky") {
        std::vector<const Channel*> all;
        for (const Channel& c : PublicChannels()) all.push_back(&c);
        return res.set_content(ChannelFile(all), "text/plain");
    }
    if (starts("/channels/") && p.size() > 14 && p.substr(p.size() - 4) == ".sdf") {
        std::string want = p.substr(10, p.size() - 14);
        std::vector<const Channel*> chosen;
        for (const Channel& c : PublicChannels())
            if (want == "all" || ToLower(c.name) == want) chosen.push_back(&c);
        if (chosen.empty()) return NotFound(req, res);
        return res.set_content(ChannelFile(chosen), "text/plain");
    }
    if (p == "/bin/skysetup.exe") {
        if (!StreamFile(res, options.dataDir + "/bin/skysetup.exe", "application/octet-stream"))
            return Html(res, ErrorPage(base, "No update", "There is no software update on this server."),
                        404);
        return;
    }
    if (p == "/bin/version.txt") {
        // The version of the published installer; none published is a 404, which the program reads as
        // "nothing newer".
        if (!StreamFile(res, options.dataDir + "/bin/version.txt", "text/plain"))
            return Html(res, ErrorPage(base, "No update", "There is no software update on this server."),
                        404);
        return;
    }
    if (p == "/scripts/show.dll") return Show(req, res, q);
    if (p == "/scripts/channelx.dll") {
        if (q.Is("QueryUser")) {
            std::string user = ToLower(Trim(q.Get("user")));
            std::optional<MemberRecord> m;
            if (ValidMemberName(user)) m = store->FindMember(user);
            return Html(res, MemberLookupPage(base, q.Get("user").substr(0, 100), m));
        }
        return Html(res, ChannelIntroPage(base, q.Get("channel").substr(0, 100), q.Get("u")));
    }
    if (p == "/scripts/adserv.dll") return Html(res, AdPage(base, adTurn++));
    if (p == "/r") return Search(res, searchUrl, q.fields.count("key") ? q.Get("key") : q.Get("q"));
    if (p == "/search/news") return Search(res, newsSearchUrl, q.Get("p"));
    if (p == "/chat") {
        std::string user = ToLower(Trim(q.Get("u")));
        bool member = ValidMemberName(user) && store->FindMember(user).has_value();
        return Html(res, ChatPage(base, member ? user : std::string()));
    }
    if (starts("/wiz/img/") || p == "/art/bwlogo.gif") {
        std::string image = WizardImage(p.substr(p.rfind('/') + 1));
        if (image.empty()) return NotFound(req, res);
        return res.set_content(image, "image/gif");
    }
    if (starts("/wiz/") && p.size() > 10 && p.substr(p.size() - 5) == ".html") {
        std::string page = PickerPage(p.substr(5, p.size() - 10), base);
        return page.empty() ? NotFound(req, res) : Html(res, page);
    }
    if (p == "/~wiztemplates/base.htm") return Html(res, TemplateList(base));
    if (starts("/~wiztemplates/")) {
        std::string page = TemplatePage(p.substr(15), base);
        return page.empty() ? NotFound(req, res) : Html(res, page);
    }
    if (p == "/~skylocal/local2.htm")
        return Html(res, LocalPage(base, std::string(Trim(q.Get("zip"))).substr(0, 10)));
    if (starts("/~skylocal/")) {
        for (const LocalRegion& r : LocalRegions())
            if (p == "/~skylocal/" + r.file + ".sky")
                return res.set_content(ChannelFile({&r.channel}), "text/plain");
        return NotFound(req, res);
    }
    if (starts("/public/")) {
        std::string name = tail(8);
        if (!SafeFileName(name)) return NotFound(req, res);
        ServeFile(res, publicSpace->PathOf("", name), name);
        return res.status == 404 ? NotFound(req, res) : void();
    }
    if (starts("/~")) return MemberPage(req, res, tail(2));
    NotFound(req, res);
}

void MemberService::Impl::Post(const httplib::Request& req, httplib::Response& res, const std::string& body) {
    auto reply = [&res](uint16_t status, const std::string& text, int http = 200) {
        res.status = http;
        res.set_content(BuildReply(status, text), "application/octet-stream");
    };
    if (ToLower(req.path) != "/scripts/userdata.dll") return reply(kStatusNotFound, "no such script", 404);
    std::string why;
    auto record = ParseTransferRecord(body, &why);
    if (!record) return reply(kStatusMalformed, why, body.size() < kRecordFixedSize ? 400 : 200);
    std::string account = ToLower(record->account);
    if (!ValidMemberName(account) ||
        store->CheckLogin(account, ToLower(record->password), nullptr, req.remote_addr) != LoginResult::Ok)
        return reply(kStatusBadLogin, "bad login");
    if (record->publicSpace) {
        if (!SafeFileName(record->firstName)) return reply(kStatusBadName, "bad name");
        if (!store->ClaimPublicFile(record->firstName, account))
            return reply(kStatusBadLogin, "the file belongs to another member");
        uint16_t status =
            publicSpace->PutPiece("", record->firstName, record->offset, record->data, kPublicQuota);
        // A name whose first piece was refused stays free for others.
        std::error_code ec;
        if (status != kStatusOk && !std::filesystem::exists(publicSpace->PathOf("", record->firstName), ec))
            store->ReleasePublicFile(record->firstName, account);
        return reply(status, "");
    }
    switch (record->command) {
        case kPutPiece:
            // A listing line ends its name at the first comma.
            if (record->secondName.find(',') != std::string::npos)
                return reply(kStatusBadName, "comma in name");
            return reply(
                webSpace->PutPiece(account, record->secondName, record->offset, record->data, kMemberQuota),
                "");
        case kDeleteFile:
            return reply(webSpace->Delete(account, record->firstName), "");
        default:
            break;
    }
    // Web space has no folders; only the top folder can be listed.
    if (!record->firstName.empty()) return reply(kStatusNotFound, "no such folder");
    std::vector<FileInfo> files = webSpace->List(account);
    std::string text = "SkyHarbor web space ~" + account + ", " + std::to_string(files.size()) + " files\r\n";
    // The program reads a listing into 4,116 bytes: whole lines up to that.
    for (const FileInfo& f : files) {
        if (f.name.find(',') != std::string::npos) continue;
        std::string line = ListingLine(f.mtime, f.size, false, f.name);
        if (16 + text.size() + line.size() > 4116) break;
        text += line;
    }
    reply(kStatusOk, text);
}

MemberService::MemberService(Options options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
}

MemberService::~MemberService() {
    Stop();
}

bool MemberService::Start(std::string* error) {
    Impl& s = *impl_;
    if (s.options.dataDir.empty()) s.options.dataDir = DefaultDataDir();
    ::mkdir(s.options.dataDir.c_str(), 0700);
    s.store = MemberStore::Open(s.options.dataDir, error);
    if (!s.store) return false;
    if (!s.options.publicUrl.empty() && !ValidPublicUrl(s.options.publicUrl)) {
        if (error)
            *error = "the public address must be http:// or https:// and a host: " + s.options.publicUrl;
        s.store.reset();
        return false;
    }
    s.budget = std::make_unique<SpaceBudget>(s.options.maxSpace);
    s.webSpace = std::make_unique<FileSpace>(s.options.dataDir + "/webspace", s.budget.get());
    s.publicSpace = std::make_unique<FileSpace>(s.options.dataDir + "/public", s.budget.get());
    s.budget->Add(s.webSpace->Used() + s.publicSpace->Used());
    std::string ini;
    ProfileText profile;
    if (ReadWholeFile(s.options.dataDir + "/service.ini", &ini)) profile = ProfileText::Parse(ini);
    auto pick = [&profile](const std::string& given, const char* key, const char* def) {
        std::string v = given;
        if (v.empty()) profile.Find("Service", key, &v);
        return v.empty() ? std::string(def) : v;
    };
    s.searchUrl = pick(s.options.searchUrl, "search", kDefaultSearch);
    s.newsSearchUrl = pick(s.options.newsSearchUrl, "newssearch", kDefaultNewsSearch);

    // httplib's default adds SO_REUSEPORT, which lets a second service bind
    // the same port unnoticed; address reuse alone only skips TIME_WAIT.
    s.server.set_socket_options([&s](socket_t sock) {
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        s.listenFd = sock;
    });
    // httplib's default is one worker per core (at least 8): a few slow
    // clients would hold them all.
    int workers = std::max(s.options.workers, 1);
    s.server.new_task_queue = [workers] { return new httplib::ThreadPool(size_t(workers)); };
    s.server.headDeadline = std::chrono::seconds(std::max(s.options.headDeadlineSeconds, 1));
    s.server.set_pre_routing_handler([&s](const httplib::Request& req, httplib::Response&) {
        uint64_t length = kMaxBody;
        if (req.has_header("Content-Length"))
            length = std::min<uint64_t>(
                std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10), kMaxBody);
        else if (!req.has_header("Transfer-Encoding"))
            length = 0;
        s.server.AllowBody(length);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    s.server.set_payload_max_length(kMaxBody);
    s.server.set_read_timeout(30, 0);
    s.server.set_write_timeout(30, 0);
    s.server.set_keep_alive_timeout(10);
    s.server.Get(".*", [&s](const httplib::Request& req, httplib::Response& res) { s.Get(req, res); });
    // A reader of our own: httplib would otherwise parse the form-encoded
    // transfer record as a form and refuse it beyond 8 KiB.
    s.server.Post(".*", [&s](const httplib::Request& req, httplib::Response& res,
                             const httplib::ContentReader& reader) {
        std::string body;
        bool fits = reader([&body](const char* data, size_t n) {
            if (body.size() + n > kMaxBody) return false;
            body.append(data, n);
            return true;
        });
        if (!fits) {
            res.status = 413;
            res.set_content(BuildReply(kStatusTooLarge, "too large"), "application/octet-stream");
            return;
        }
        s.Post(req, res, body);
    });
    s.server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content("Internal error", "text/plain");
    });

    if (s.options.port == 0)
        s.port = s.server.bind_to_any_port(s.options.listenHost);
    else
        s.port = s.server.bind_to_port(s.options.listenHost, s.options.port) ? s.options.port : -1;
    if (s.port <= 0) {
        if (error) *error = "cannot listen on " + s.options.listenHost + ":" + std::to_string(s.options.port);
        s.store.reset();
        return false;
    }
    // httplib listens with a backlog of 5; a burst of connections would be refused.
    if (s.listenFd >= 0) ::listen(s.listenFd, kListenBacklog);
    s.base = PublicBase(s.options, s.port);
    s.thread = std::thread([&s] { s.server.listen_after_bind(); });
    return true;
}

void MemberService::Stop() {
    if (!impl_ || !impl_->thread.joinable()) return;
    impl_->server.stopping = true;
    impl_->server.stop();
    impl_->thread.join();
}

int MemberService::port() const {
    return impl_->port;
}

std::string DefaultDataDir() {
    return JoinPath(DataRoot(), "MemberService");
}

int PostMessage(const std::string& dataDir, PostKind kind, const std::string& url, std::string* error) {
    if (!ValidMessageUrl(url)) {
        if (error) *error = "the address must be printable, without blanks or \"#\"";
        return -1;
    }
    auto store = MemberStore::Open(dataDir, error);
    return store ? store->PostMessage(int(kind), url, error) : -1;
}

bool SetPingInterval(const std::string& dataDir, int ms, std::string* error) {
    if (ms < 0) {
        if (error) *error = "the interval cannot be negative";
        return false;
    }
    auto store = MemberStore::Open(dataDir, error);
    return store && store->SetSetting("pinginterval", std::to_string(ms), error);
}

bool AddMember(const std::string& dataDir, const std::string& name, const std::string& password,
               const std::string& prompt, const std::string& email, std::string* error) {
    MemberRecord m;
    m.name = ToLower(Trim(name));
    m.prompt = Trim(prompt);
    m.email = Trim(email);
    std::string pass = ToLower(Trim(password));
    if (!ValidRegistration(m.name, pass, m.prompt, m.email, "", "")) {
        if (error)
            *error = "invalid name, password (at most 15 letters, digits, '.', '-', '_'), prompt or e-mail";
        return false;
    }
    auto store = MemberStore::Open(dataDir, error);
    return store && store->AddMember(m, pass, error) == AddResult::Added;
}

}  // namespace sky::member
