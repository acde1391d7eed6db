#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "core/chat/remote_command.h"
#include "core/httpsvr/hit_log.h"
#include "core/httpsvr/http_request.h"
#include "core/httpsvr/request_handler.h"
#include "core/httpsvr/server_settings.h"

namespace sky::httpsvr {

struct ServerOptions {
    ServerSettings settings;
    std::string bindAddress;  // empty: settings.listenAddress
    RequestLimits limits;
    // The request line and headers must all be in by then, however they trickle.
    std::chrono::milliseconds headerTimeout{10000};
    std::chrono::milliseconds idleTimeout{30000};
    std::chrono::milliseconds cgiTimeLimit{60000};
    size_t maxConnections = 512;
    std::shared_ptr<OfferedFileResolver> offeredFiles;
    // Addresses of open chats; made by the server when not given.
    std::shared_ptr<PeerAddressSet> chatPeers;
    // Called on the I/O thread for each "/~SYSTEM" page.
    std::function<SystemPageInfo()> systemInfo;
    // Builds the handler once the port is known; FileRequestHandler when empty.
    std::function<std::unique_ptr<RequestHandler>(const HandlerConfig&)> makeHandler;
};

// Both are called on the server's I/O thread, never on the UI thread; the ui
// forwards them with a queued call. They must not block.
struct ServerCallbacks {
    std::function<void(const CHitDoc&)> hit;
    std::function<void(const chat::RemoteCommand&, const std::string& peerAddress)> remoteCommand;
};

// The personal web server: a listener and its connections on one I/O thread
// of its own. One request per connection; the answer ends when the server
// closes it.
struct HttpServerImpl;

class HttpServer {
public:
    static constexpr const char* kTitle = "Server Status";

    HttpServer(ServerOptions options, ServerCallbacks callbacks = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds, listens and starts the I/O thread. On failure `error` gets the
    // system's message and `errorCode` its errno value.
    bool Start(std::string* error = nullptr, int* errorCode = nullptr);
    // Closes the listener and every connection, stops running CGI programs
    // and joins the threads.
    void Stop();

    bool listening() const;
    int port() const;  // the port listened on (the chosen one when asked for 0)
    std::time_t startTime() const;
    long hitCount() const;
    const ServerOptions& options() const;
    // The peers of open chats, who see "/~SYSTEM" in full; any thread.
    void SetChatPeers(std::set<std::string> addresses);
    std::shared_ptr<PeerAddressSet> chatPeers() const;
    // The window title: "Server Status (http://name:port)" or "... (Error! Not Listening!)".
    std::string Title() const;

private:
    std::unique_ptr<HttpServerImpl> impl_;
};

// "%s (http://%s)" on port 80, "%s (http://%s:%d)" otherwise, "%s (Error! Not Listening!)".
std::string ServerTitle(const std::string& title, const std::string& serverName, int port, bool listening);
// The message box text when listening on `port` failed with errno `errorCode`.
std::string ListenFailureText(int port, int errorCode);

}  // namespace sky::httpsvr
