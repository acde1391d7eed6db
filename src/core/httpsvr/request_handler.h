#pragma once

#include "core/base/text_util.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/chat/remote_command.h"
#include "core/httpsvr/cgi.h"
#include "core/httpsvr/http_request.h"

namespace sky::httpsvr {

// What goes back on a connection: `head` first (status line, headers, empty
// line and any body built in memory), then `length` bytes of `fd` from
// `offset`, or the output of `cgi` once it has run. Owns `fd`.
struct Response {
    std::string head;
    int fd = -1;
    uint64_t offset = 0;
    uint64_t length = 0;
    std::optional<CgiJob> cgi;
    bool headOnly = false;  // only the head of the program's answer goes out

    Response() = default;
    explicit Response(std::string h) : head(std::move(h)) {}
    Response(Response&& o) noexcept;
    Response& operator=(Response&& o) noexcept;
    ~Response();
};

// Chooses the response to a complete request. Called on the server's I/O
// thread: it must not block or wait on the UI thread. Sets request.status
// (and physicalPath, isFolder, kind) for the hit log.
class RequestHandler {
public:
    virtual ~RequestHandler() = default;
    virtual Response Handle(CRequest& request) = 0;
};

// Finds the file behind an offered-file URL ("/~SKYCMD/<key>/<path>") for a
// peer. Called on the server's I/O thread; it must not block. Nothing when no
// chat window or check allows it (the request then fails with 400); telling
// the partner "Access Denied" is the resolver's business.
class OfferedFileResolver {
public:
    virtual ~OfferedFileResolver() = default;
    virtual std::optional<std::string> Resolve(const std::string& url, const std::string& peerAddress) {
        return std::nullopt;
    }
};

// An OfferedFileResolver that asks a function, so a library above the server
// can hand its own resolver over without the server depending on it.
class FunctionOfferResolver : public OfferedFileResolver {
public:
    using Function =
        std::function<std::optional<std::string>(const std::string& url, const std::string& peer)>;
    explicit FunctionOfferResolver(Function resolve) : resolve_(std::move(resolve)) {}
    std::optional<std::string> Resolve(const std::string& url, const std::string& peerAddress) override {
        if (!resolve_) return std::nullopt;
        return resolve_(url, peerAddress);
    }

private:
    Function resolve_;
};

// The account paragraph of "/~SYSTEM", held by the main frame.
struct SystemPageInfo {
    std::string account;
    std::string installCookie;
    std::string version;
    std::string engineVersion;
};

// Addresses of the peers of open chats, kept by the chat tool: they see the
// whole "/~SYSTEM" page as this machine does. Safe to use from any thread.
class PeerAddressSet {
public:
    void Add(const std::string& address);
    void Remove(const std::string& address);
    void Replace(std::set<std::string> addresses);
    bool Contains(const std::string& address) const;

private:
    mutable std::mutex mutex_;
    std::set<std::string> addresses_;
};

struct HandlerConfig {
    std::string root;  // no trailing "/"
    std::string serverName;
    int port = 8080;  // the port actually listened on
    bool showIcons = true;
    bool allowListings = true;
    std::shared_ptr<OfferedFileResolver> offeredFiles;
    // Called on the I/O thread for each "/~SYSTEM" page.
    std::function<SystemPageInfo()> systemInfo;
    // Besides this machine, who sees the account and cookie on "/~SYSTEM".
    std::shared_ptr<const PeerAddressSet> chatPeers;
    // A valid remote-command record other than a file request. Called on the I/O thread.
    std::function<void(const chat::RemoteCommand&, const std::string& peerAddress)> remoteCommand;
};

// Serves the files, folders and CGI programs under the root, the "/~SYSTEM"
// page and the "/~SKYCMD" records and offered files.
class FileRequestHandler : public RequestHandler {
public:
    explicit FileRequestHandler(HandlerConfig config);
    ~FileRequestHandler() override;
    FileRequestHandler(const FileRequestHandler&) = delete;
    FileRequestHandler& operator=(const FileRequestHandler&) = delete;
    Response Handle(CRequest& request) override;

    const HandlerConfig& config() const { return config_; }
    // The root folder followed by `url`, with "." and ".." resolved; nothing
    // when that would leave the root or the URL holds a NUL.
    std::optional<std::string> MapUrl(const std::string& url) const;
    // Fills the request's paths; a response when that already decides it.
    // With `opened`, a plain file may come back already open in *opened.
    std::optional<Response> Resolve(CRequest& request, int* opened = nullptr);

private:
    Response PrepareFile(CRequest& request, bool headOnly, int fd = -1);
    int OpenBeneathRoot(const std::string& relative);
    Response Listing(CRequest& request);
    Response SystemPage(CRequest& request);
    Response StartCgi(CRequest& request);
    Response AnswerGet(CRequest& request, bool headOnly);
    bool IsCgiProgram(const std::string& path) const;

    HandlerConfig config_;
    std::string realRoot_;
    int rootFd_ = -1;  // both found again when the root appears later
};

// Dot-names are hidden; any hidden level of a path below the root hides what lies under it.
bool HasHiddenPart(std::string_view relative);
// 127.0.0.0/8 and ::1, as a connection's peer address is written.
bool IsLoopbackAddress(std::string_view address);

// Folder listing texts, shared with tests.
// The size column of a listing line.
std::string ListingSizeText(bool folder, uint64_t size);

}  // namespace sky::httpsvr
