#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/mail/pop3_client.h"
#include "loopback_peer.h"

namespace {

// The message as Pop3Client::ReadMessageTo wrote it, with its result.
struct Read {
    int rc = -1;
    std::string out;
};

Read ReadFrom(LoopbackPeer& peer, const std::string& wire, long long limit) {
    Read r;
    peer.Serve(wire, [&] {
        sky::Pop3Client pop;
        pop.readTimeoutSeconds = 5;
        pop.maxMessageBytes = limit;
        if (pop.sky::MailSocket::Connect("127.0.0.1", peer.port()) != 0) std::abort();
        char* buf = nullptr;
        size_t size = 0;
        std::FILE* f = open_memstream(&buf, &size);
        long bytes = 0;
        r.rc = pop.ReadMessageTo(f, &bytes);
        std::fclose(f);
        r.out.assign(buf, size);
        std::free(buf);
        if (static_cast<long>(r.out.size()) != bytes) __builtin_trap();
        pop.Close();
    });
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static LoopbackPeer peer;
    if (size == 0) return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        // Whatever a server sends: never more than the limit, never more than came.
        Read r = ReadFrom(peer, input, 1000);
        if (r.rc != 0 && r.rc != 2 && r.rc != 7) __builtin_trap();
        if (r.out.size() > 1000 || r.out.size() > input.size()) __builtin_trap();
        return 0;
    }
    // A body stuffed as a server must stuff it comes back whole, with either line end.
    std::string eol = data[0] & 2 ? "\r\n" : "\n";
    std::string body, wire, line;
    for (char c : input) {
        if (c == '\r') continue;
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        body += line + eol;
        wire += (line.starts_with(".") ? "." : "") + line + eol;
        line.clear();
    }
    wire += "." + eol + "+OK next reply\r\n";
    Read r = ReadFrom(peer, wire, 0);
    if (r.rc != 0 || r.out != body) __builtin_trap();
    return 0;
}
