#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sky::member {

struct Options {
    std::string listenHost = "127.0.0.1";
    int port = 7780;      // 0 = any free port
    std::string dataDir;  // members.db, webspace/<name>/, public/, bin/skysetup.exe
    // Where "/r?q=" and "/search/news?p=" send the browser; the search words
    // are appended, encoded. Empty: the data folder's "service.ini", section
    // [Service], key "search" (or "newssearch"), else a default engine.
    std::string searchUrl;
    std::string newsSearchUrl;
    // The start of every absolute address the service writes (redirects,
    // links, ping messages), e.g. "https://harbor.example.org". Empty:
    // "http://" and the listen address. A request's Host header is never used.
    std::string publicUrl;
    // All member web spaces and the public space together, in bytes.
    uint64_t maxSpace = uint64_t(10) << 30;
    // Accounts one source address may ask for in an hour.
    int registrationsPerHour = 5;
    // Threads answering requests; each client still sending its request holds one.
    int workers = 64;
    // A request head, and the body it announces, must arrive within this
    // (plus a second per 64 KiB of body), however slowly it trickles in.
    int headDeadlineSeconds = 10;
};

// The member service: every request the program makes, on one address that
// serves as web, ad, public-space and comments host. Serves on threads of its
// own; the object may live in the program (embedded) or in its own process.
class MemberService {
public:
    explicit MemberService(Options options);
    ~MemberService();  // stops
    MemberService(const MemberService&) = delete;
    MemberService& operator=(const MemberService&) = delete;

    // Opens (creating when missing) the data folder and database, binds and
    // starts serving. False with *error when it cannot.
    bool Start(std::string* error);
    void Stop();
    // The port it listens on, once started.
    int port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Where the program's embedded service keeps its data: the data root + "/MemberService".
std::string DefaultDataDir();

// Admin operations on the database of a data folder; a running service sees
// their effect at its next request.
enum class PostKind { Startup, Broadcast, Bulletin };
// Stores a message for the next pings; returns its serial (the next one of
// its kind, from 1), or -1 with *error.
int PostMessage(const std::string& dataDir, PostKind kind, const std::string& url, std::string* error);
// The ping interval sent with every PONG, in ms (0 = send none).
bool SetPingInterval(const std::string& dataDir, int ms, std::string* error);
// Adds a member as registration would; false when the name is taken or invalid.
bool AddMember(const std::string& dataDir, const std::string& name, const std::string& password,
               const std::string& prompt, const std::string& email, std::string* error);

}  // namespace sky::member
