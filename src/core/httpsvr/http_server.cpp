#include "core/httpsvr/http_server.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <asio.hpp>
#include <atomic>
#include <cerrno>
#include <future>
#include <list>
#include <mutex>
#include <thread>

#include "core/base/job.h"
#include "core/base/text_util.h"
#include "core/httpsvr/status.h"

namespace sky::httpsvr {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

std::string ServerTitle(const std::string& title, const std::string& serverName, int port, bool listening) {
    if (!listening) return Format("%s (Error! Not Listening!)", title.c_str());
    if (port == 80) return Format("%s (http://%s)", title.c_str(), serverName.c_str());
    return Format("%s (http://%s:%d)", title.c_str(), serverName.c_str(), port);
}

std::string ListenFailureText(int port, int errorCode) {
    if (errorCode == EADDRINUSE) {
        return Format(
            "Port %d is already in use!\n\nMake sure there is no other applications or instances of the "
            "SkyHarbor server running that are already bound to that port.",
            port);
    }
    return Format(
        "Can't listen on port %d!\n\nMake sure the TCP/IP transport is set up correctly and that no other "
        "applications are already listening on that port.",
        port);
}

namespace {

// Closes a CGI output file that never reached its connection.
struct FdHolder {
    int fd = -1;
    explicit FdHolder(int f) : fd(f) {}
    FdHolder(FdHolder&& o) noexcept : fd(o.fd) { o.fd = -1; }
    FdHolder(const FdHolder&) = delete;
    ~FdHolder() {
        if (fd >= 0) ::close(fd);
    }
    int release() {
        int f = fd;
        fd = -1;
        return f;
    }
};

// Small files go out in the same write as the head.
constexpr uint64_t kInlineFileLimit = 64 * 1024;
// After our answer, what the client still sends is read and dropped for a
// while, so that closing does not reset the connection under the answer.
constexpr auto kLingerTime = std::chrono::seconds(2);

}  // namespace

class Connection;

struct HttpServerImpl {
    ServerOptions options;
    ServerCallbacks callbacks;
    int port = 0;
    std::time_t startTime = 0;
    std::atomic<long> hits{0};
    std::atomic<bool> running{false};

    std::unique_ptr<RequestHandler> handler;
    std::list<std::weak_ptr<Connection>> connections;  // I/O thread only, oldest first
    size_t liveConnections = 0;                        // I/O thread only: sockets not yet closed
    std::shared_ptr<BodyBudget> bodyBudget;

    std::mutex cgiMutex;
    std::list<Job> cgiJobs;

    std::thread ioThread;
    // Declared last: destroyed first, with every pending handler, while the
    // members above still exist.
    asio::io_context io;
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    asio::steady_timer sweep{io};
    tcp::endpoint peer;  // of the connection being accepted

    void DoAccept();
    void Sweep();
    bool EvictSlowestHead();
    void OnHit(const CRequest& request) {
        ++hits;
        if (callbacks.hit) callbacks.hit(MakeHit(request, std::time(nullptr)));
    }
    void RunCgi(std::shared_ptr<Connection> connection, std::shared_ptr<CgiProcess> process);
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(HttpServerImpl& server, tcp::socket socket)
        : server_(server), socket_(std::move(socket)), reader_(server.options.limits, server.bodyBudget) {
        ++server_.liveConnections;
    }
    ~Connection() {
        if (cgi_) cgi_->Cancel();
        Uncount();
    }

    // Still waiting for the rest of its request line or headers.
    bool HeadPending() const {
        return state_ == kReading &&
               (reader_.state() == RequestReader::kRequestLine || reader_.state() == RequestReader::kHeaders);
    }

    void Start(bool reject, const tcp::endpoint& remote) {
        auto addr = remote.address();
        if (addr.is_v6() && addr.to_v6().is_v4_mapped()) {
            addr = asio::ip::make_address_v4(asio::ip::v4_mapped, addr.to_v6());
        }
        peer_ = addr.to_string();
        lastActivity_ = accepted_ = Clock::now();
        if (reject) {
            SendHead(ErrorHead(400));
            return;
        }
        Read();
    }

    // Ends the connection now (server stopping).
    void Abort() {
        if (cgi_) cgi_->Cancel();
        Close();
    }

    void OnCgiDone(CgiResult result) {
        if (state_ != kCgi) {
            if (result.outputFd >= 0) ::close(result.outputFd);
            return;
        }
        cgi_.reset();
        if (result.outcome != CgiResult::kFinished) {
            SendHead(ErrorHead(500));
            return;
        }
        uint64_t bodyOffset = 0, size = 0;
        Response r(CgiResponseHead(result.outputFd, &bodyOffset, &size));
        r.fd = result.outputFd;
        r.offset = bodyOffset;
        r.length = response_.headOnly ? 0 : size - bodyOffset;
        response_ = std::move(r);
        Send();
    }

private:
    enum State { kReading, kCgi, kWriting, kLingering, kClosed };

public:
    // Called by the server's sweep: ends what has been quiet for too long.
    void CheckTime(Clock::time_point now) {
        switch (state_) {
            case kClosed:
            case kCgi:
                return;  // a program has its own time limit
            case kLingering:
                if (now >= deadline_) Close();
                return;
            case kReading:
                if (HeadPending() && now - accepted_ >= server_.options.headerTimeout)
                    return SendHead(ErrorHead(400));
                [[fallthrough]];
            case kWriting:
                if (now - lastActivity_ < server_.options.idleTimeout) return;
                if (state_ == kReading) return SendHead(ErrorHead(400));
                return Close();
        }
    }

private:
    void Read() {
        readPending_ = true;
        socket_.async_read_some(
            asio::buffer(buffer_),
            [self = shared_from_this()](const asio::error_code& ec, size_t n) { self->OnRead(ec, n); });
    }

    void OnRead(const asio::error_code& ec, size_t n) {
        readPending_ = false;
        switch (state_) {
            case kClosed:
                return;
            case kLingering:
                if (ec) return Close();
                return Read();
            case kWriting:
                if (!ec) Read();
                return;
            case kCgi:
                // Bytes past the body are dropped; a read stays open to notice the client leave.
                if (!ec) return Read();
                if (cgi_) cgi_->Cancel();
                return Close();
            case kReading:
                break;
        }
        if (ec) return Close();  // gone before the request was whole
        lastActivity_ = Clock::now();
        auto st = reader_.Feed(buffer_.data(), n);
        if (st == RequestReader::kTooLarge) {
            SendHead(ErrorHead(400));
        } else if (st == RequestReader::kComplete) {
            OnRequest();
        } else {
            Read();
        }
    }

    void OnRequest() {
        CRequest& request = reader_.request();
        request.clientAddress = peer_;
        response_ = server_.handler->Handle(request);
        server_.OnHit(request);
        if (response_.cgi) {
            state_ = kCgi;
            cgi_ = std::make_shared<CgiProcess>(std::move(*response_.cgi), server_.options.cgiTimeLimit);
            response_.cgi.reset();
            server_.RunCgi(shared_from_this(), cgi_);
            Read();
            return;
        }
        Send();
    }

    void SendHead(std::string head) {
        response_ = Response(std::move(head));
        Send();
    }

    void Send() {
        state_ = kWriting;
        if (response_.fd >= 0 && response_.length > 0 && response_.length <= kInlineFileLimit) {
            // One write for head and body.
            size_t at = response_.head.size();
            response_.head.resize(at + response_.length);
            ssize_t got = ::pread(response_.fd, response_.head.data() + at, response_.length,
                                  static_cast<off_t>(response_.offset));
            response_.head.resize(at + static_cast<size_t>(std::max<ssize_t>(got, 0)));
            response_.length = 0;
        }
        // Most answers fit the socket buffer: try at once. (Holding the head back
        // with MSG_MORE until the file follows cost a fifth of the rate for
        // large files on loopback.)
        socket_.native_non_blocking(true);
        ssize_t sent =
            ::send(socket_.native_handle(), response_.head.data(), response_.head.size(), MSG_NOSIGNAL);
        if (sent == static_cast<ssize_t>(response_.head.size())) return SendFile();
        if (sent < 0 && errno != EAGAIN && errno != EINTR) return Close();
        if (sent > 0) response_.head.erase(0, static_cast<size_t>(sent));
        asio::async_write(socket_, asio::buffer(response_.head),
                          [self = shared_from_this()](const asio::error_code& ec, size_t n) {
                              if (ec) return self->Close();
                              self->lastActivity_ = Clock::now();
                              self->SendFile();
                          });
    }

    void SendFile() {
        if (state_ == kClosed) return;
        while (response_.length > 0) {
            off_t offset = static_cast<off_t>(response_.offset);
            size_t chunk = static_cast<size_t>(std::min<uint64_t>(response_.length, 1 << 20));
            ssize_t n = ::sendfile(socket_.native_handle(), response_.fd, &offset, chunk);
            if (n > 0) {
                response_.offset += static_cast<uint64_t>(n);
                response_.length -= static_cast<uint64_t>(n);
                lastActivity_ = Clock::now();
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) {
                socket_.async_wait(tcp::socket::wait_write,
                                   [self = shared_from_this()](const asio::error_code& ec) {
                                       if (ec) return self->Close();
                                       self->SendFile();
                                   });
                return;
            }
            break;  // the file shrank or the peer left
        }
        Finish();
    }

    void Finish() {
        asio::error_code ec;
        socket_.shutdown(tcp::socket::shutdown_send, ec);
        // Closing with unread bytes would reset the connection under the answer;
        // when the whole request was read and nothing more came, close at once.
        int unread = 0;
        if (reader_.state() == RequestReader::kComplete && !readPending_ &&
            ::ioctl(socket_.native_handle(), FIONREAD, &unread) == 0 && unread == 0) {
            return Close();
        }
        state_ = kLingering;
        deadline_ = Clock::now() + kLingerTime;
        if (!readPending_) Read();
    }

public:
    void Close() {
        if (state_ == kClosed) return;
        state_ = kClosed;
        asio::error_code ec;
        socket_.close(ec);
        response_ = Response();
        Uncount();
    }

private:
    // A closed socket no longer counts against the cap, though its last
    // handlers may still hold the object for a moment.
    void Uncount() {
        if (!counted_) return;
        counted_ = false;
        --server_.liveConnections;
    }

    HttpServerImpl& server_;
    tcp::socket socket_;
    RequestReader reader_;
    std::array<char, 16384> buffer_;
    Response response_;
    std::string peer_;
    State state_ = kReading;
    bool readPending_ = false;
    bool counted_ = true;
    Clock::time_point accepted_;
    Clock::time_point lastActivity_;
    Clock::time_point deadline_;  // end of the lingering close
    std::shared_ptr<CgiProcess> cgi_;
};

void HttpServerImpl::RunCgi(std::shared_ptr<Connection> connection, std::shared_ptr<CgiProcess> process) {
    std::weak_ptr<Connection> weak = connection;
    std::lock_guard<std::mutex> lock(cgiMutex);
    // Join the workers that have finished, so their number stays bounded.
    cgiJobs.remove_if([](const Job& job) { return !job.IsRunning(); });
    cgiJobs.emplace_back().Start([this, weak, process](std::stop_token stop) {
        // Stopping the server stops its programs too.
        std::stop_callback kill(stop, [process] { process->Cancel(); });
        CgiResult result = process->Run();
        asio::post(io, [weak, result, holder = std::make_shared<FdHolder>(result.outputFd)]() mutable {
            if (auto c = weak.lock()) {
                CgiResult r = result;
                r.outputFd = holder->release();
                c->OnCgiDone(r);
            }
        });
    });
}

// One timer looks at every connection a few times per idle period, instead of
// a timer armed and cancelled for each connection.
void HttpServerImpl::Sweep() {
    auto period =
        std::clamp(options.idleTimeout / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(250));
    sweep.expires_after(period);
    sweep.async_wait([this](const asio::error_code& ec) {
        if (ec) return;
        auto now = Clock::now();
        connections.remove_if([now](const std::weak_ptr<Connection>& w) {
            auto c = w.lock();
            if (c) c->CheckTime(now);
            return !c;
        });
        Sweep();
    });
}

bool HttpServerImpl::EvictSlowestHead() {
    for (auto& w : connections) {
        auto c = w.lock();
        if (c && c->HeadPending()) {
            c->Close();
            return true;
        }
    }
    return false;
}

// Our own accept4 after asio says a peer waits: asio's accept leaves the new
// socket open across exec, where a CGI program or the installer would keep it.
void HttpServerImpl::DoAccept() {
    acceptor.async_wait(tcp::acceptor::wait_read, [this](asio::error_code ec) {
        if (!acceptor.is_open()) return;
        tcp::socket socket(io);
        if (!ec) {
            peer = tcp::endpoint();
            socklen_t len = static_cast<socklen_t>(peer.capacity());
            int fd = ::accept4(acceptor.native_handle(), peer.data(), &len, SOCK_CLOEXEC);
            if (fd < 0 &&
                (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR)) {
                DoAccept();
                return;
            }
            if (fd < 0) {
                ec = asio::error_code(errno, asio::system_category());
            } else {
                peer.resize(len);
                socket.assign(peer.protocol(), fd, ec);
                if (ec) ::close(fd);
            }
        }
        if (ec) {
            // Out of descriptors, most likely: give the system a moment.
            acceptRetry.expires_after(std::chrono::milliseconds(50));
            acceptRetry.async_wait([this](const asio::error_code& e) {
                if (!e) DoAccept();
            });
            return;
        }
        // When full, the oldest connection still dribbling its head makes room,
        // so slow clients cannot keep everyone else out.
        bool reject = liveConnections >= options.maxConnections && !EvictSlowestHead();
        auto c = std::make_shared<Connection>(*this, std::move(socket));
        if (connections.size() > 2 * liveConnections + 64) {
            connections.remove_if([](const std::weak_ptr<Connection>& w) { return w.expired(); });
        }
        connections.push_back(c);
        c->Start(reject, peer);
        DoAccept();
    });
}

namespace {

// asio opens sockets without SOCK_CLOEXEC; a child started meanwhile (CGI,
// the installer) would hold the port open after we close it.
void OpenListener(tcp::acceptor& acceptor, const tcp& protocol, asio::error_code& ec) {
    int fd = ::socket(protocol.family(), SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        ec = asio::error_code(errno, asio::system_category());
        return;
    }
    acceptor.assign(protocol, fd, ec);
    if (ec) {
        ::close(fd);
        return;
    }
    // accept4 in DoAccept must not block the I/O thread when a peer gives up first.
    acceptor.native_non_blocking(true, ec);
}

}  // namespace

HttpServer::HttpServer(ServerOptions options, ServerCallbacks callbacks)
    : impl_(std::make_unique<HttpServerImpl>()) {
    impl_->options = std::move(options);
    impl_->callbacks = std::move(callbacks);
    if (!impl_->options.chatPeers) impl_->options.chatPeers = std::make_shared<PeerAddressSet>();
}

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(std::string* error, int* errorCode) {
    if (impl_->running) return true;
    // A peer that leaves mid-answer must not end the program.
    ::signal(SIGPIPE, SIG_IGN);
    auto& o = impl_->options;
    auto& acceptor = impl_->acceptor;
    asio::error_code ec;
    auto fail = [&](const asio::error_code& e) {
        if (error) *error = e.message();
        if (errorCode) *errorCode = e.value();
        acceptor.close();
        return false;
    };
    tcp::endpoint endpoint;
    const std::string& bindAddress = o.bindAddress.empty() ? o.settings.listenAddress : o.bindAddress;
    if (bindAddress.empty()) {
        endpoint = tcp::endpoint(tcp::v6(), static_cast<unsigned short>(o.settings.port));
        OpenListener(acceptor, tcp::v6(), ec);
        if (!ec) acceptor.set_option(asio::ip::v6_only(false), ec);
        if (ec) {
            acceptor.close();
            endpoint = tcp::endpoint(tcp::v4(), static_cast<unsigned short>(o.settings.port));
            OpenListener(acceptor, tcp::v4(), ec);
        }
    } else {
        auto addr = asio::ip::make_address(bindAddress, ec);
        if (ec) return fail(ec);
        endpoint = tcp::endpoint(addr, static_cast<unsigned short>(o.settings.port));
        OpenListener(acceptor, endpoint.protocol(), ec);
    }
    if (ec) return fail(ec);
    acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    acceptor.bind(endpoint, ec);
    if (ec) return fail(ec);
    acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) return fail(ec);
    impl_->port = acceptor.local_endpoint().port();

    struct stat st {};
    if (::stat((o.settings.root + "/SvrAdmin").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        o.settings.showIcons = false;
    }
    HandlerConfig config;
    config.root = o.settings.root;
    config.serverName = o.settings.serverName;
    config.port = impl_->port;
    config.showIcons = o.settings.showIcons;
    config.allowListings = o.settings.allowListings;
    config.offeredFiles = o.offeredFiles;
    config.systemInfo = o.systemInfo;
    config.chatPeers = o.chatPeers;
    config.remoteCommand = impl_->callbacks.remoteCommand;
    impl_->handler =
        o.makeHandler ? o.makeHandler(config) : std::make_unique<FileRequestHandler>(std::move(config));

    impl_->bodyBudget = std::make_shared<BodyBudget>(o.limits.maxMemoryBodies);
    impl_->startTime = std::time(nullptr);
    impl_->running = true;
    impl_->io.restart();
    impl_->DoAccept();
    impl_->Sweep();
    impl_->ioThread = std::thread([this] {
        auto guard = asio::make_work_guard(impl_->io);
        impl_->io.run();
    });
    return true;
}

void HttpServer::Stop() {
    if (!impl_->running) return;
    std::promise<void> closed;
    asio::post(impl_->io, [this, &closed] {
        asio::error_code ec;
        impl_->acceptor.close(ec);
        impl_->acceptRetry.cancel();
        impl_->sweep.cancel();
        for (auto& w : impl_->connections) {
            if (auto c = w.lock()) c->Abort();
        }
        impl_->connections.clear();
        closed.set_value();
    });
    closed.get_future().wait();
    impl_->io.stop();
    impl_->ioThread.join();
    // Connections were aborted, so their programs are being killed; wait for the workers.
    std::list<Job> workers;
    {
        std::lock_guard<std::mutex> lock(impl_->cgiMutex);
        workers.swap(impl_->cgiJobs);
    }
    workers.clear();
    impl_->running = false;
}

bool HttpServer::listening() const {
    return impl_->running;
}
int HttpServer::port() const {
    return impl_->running ? impl_->port : impl_->options.settings.port;
}
std::time_t HttpServer::startTime() const {
    return impl_->startTime;
}
long HttpServer::hitCount() const {
    return impl_->hits;
}
const ServerOptions& HttpServer::options() const {
    return impl_->options;
}
void HttpServer::SetChatPeers(std::set<std::string> addresses) {
    impl_->options.chatPeers->Replace(std::move(addresses));
}
std::shared_ptr<PeerAddressSet> HttpServer::chatPeers() const {
    return impl_->options.chatPeers;
}

std::string HttpServer::Title() const {
    return ServerTitle(kTitle, impl_->options.settings.serverName, port(), listening());
}

}  // namespace sky::httpsvr
