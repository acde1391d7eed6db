#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

// A loopback server for client code that reads from a socket: each Serve
// accepts one connection, sends the bytes, stops writing and reads whatever
// the client says until it hangs up.
class LoopbackPeer {
public:
    LoopbackPeer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            std::abort();
        port_ = ntohs(a.sin_port);
    }
    int port() const { return port_; }

    // Runs `client` (which connects to port()) while the bytes are served.
    template <class Client>
    void Serve(const std::string& bytes, Client client) {
        std::thread server([&] {
            int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) return;
            size_t sent = 0;
            while (sent < bytes.size()) {
                ssize_t n = ::send(c, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            ::shutdown(c, SHUT_WR);
            char buf[4096];
            while (::recv(c, buf, sizeof buf, 0) > 0) {
            }
            ::close(c);
        });
        client();
        server.join();
    }

private:
    int fd_ = -1;
    int port_ = 0;
};
