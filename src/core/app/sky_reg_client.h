#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// One request to the service's registration script, as the ping cycle and a
// login send it. Every field goes into the query in the order below.
struct PingRequest {
    std::string host;     // the service's web host, "host" or "host:port"
    std::string account;  // "UNREGISTERED" is sent as "U" + cookie
    std::string cookie;   // install cookie
    std::string action;   // "START", "PING" or "Login"
    std::string text;     // "SKYB3", "P%d-C%d" or "login"
    std::string version;  // program version string
    std::string engine;   // HTML engine build ("?" when unknown)
    std::string ip;       // this machine's address, dotted
    int lastStartupMsg = 0;
    int lastBroadcast = 0;
    int lastBulletin = 0;
};

// The request URL of a ping, assembled (cut at 1024 bytes) and canonicalised.
std::string BuildPingUrl(const PingRequest& request);

// Escapes what may not stand in a URL (controls, space, bytes above 0x7E and
// " < > \ ^ ` { | }) as %XX, keeps existing %XX escapes, and removes "." and
// ".." segments of the path.
std::string CanonicalizeUrl(std::string_view url);

// The fields of a ping answer after "PONG", each one that was ended by "#";
// nullopt when the answer does not begin with the field "PONG".
std::optional<std::vector<std::string>> ParsePingAnswer(std::string_view body);

enum class ServerLineKind { PingInterval, StartupMsg, Broadcast, Bulletin, Other };

// One server line. For PingInterval `value` is the period in ms; for the
// three messages it is the serial and `url` the page. A zero or unreadable
// number gives value 0, which the caller ignores.
struct ServerLine {
    ServerLineKind kind = ServerLineKind::Other;
    int value = 0;
    std::string url;
};
ServerLine ParseServerLine(std::string_view field);

// Login answers: 0 "__OK"; -24 "__BADPASS__" with a hint up to the next "__"
// (stored in *hint); -25 "__BADPASS__" without a closing "__"; -26 neither.
int ParseLoginAnswer(std::string_view body, std::string* hint);

// "http://host:port/scriptPath?Login&Account=a&Password=p", account and
// password trimmed, lower-cased and form-encoded; an IPv6 host in brackets.
std::string BuildLoginUrl(const std::string& host, int port, const std::string& scriptPath,
                          const std::string& account, const std::string& password);

// A plain HTTP GET with time-outs. code 0 on success (any HTTP status below
// 400); otherwise a negative transfer error: -20 the URL could not be opened
// (no connection, time-out, status 400 or more).
struct HttpGetResult {
    int code = -20;
    long httpStatus = 0;
    std::string body;  // at most maxBytes
    std::string error;
};
// Setting *cancel stops it within a moment (code -20).
HttpGetResult HttpGet(const std::string& url, size_t maxBytes, long timeoutSec = 20,
                      const std::atomic<bool>* cancel = nullptr);

// The service client: the session's login with the registration script.
class CSkyRegClient {
public:
    static constexpr const char* kScriptPath = "Scripts/SkyReg.dll";
    static constexpr size_t kAnswerSize = 20480;

    // `host` is "name" or "name:port"; a port in it wins over `port`.
    CSkyRegClient(std::string host, int port = 80, std::string scriptPath = kScriptPath);

    // Result codes: 0 success; -1 empty account; -24 bad password (hint
    // stored); -25 bad password without a readable hint; -26 neither token;
    // a negative transfer error of HttpGet passed through. "sampleid" logs in
    // at once with no request. Blocking.
    // Setting *cancel gives up the request (a negative transfer code).
    int Login(const std::string& account, const std::string& password,
              const std::atomic<bool>* cancel = nullptr);

    bool loggedIn() const { return loggedIn_; }
    const std::string& account() const { return account_; }
    const std::string& password() const { return password_; }
    const std::string& hint() const { return hint_; }
    const std::string& host() const { return host_; }
    int port() const { return port_; }

private:
    std::string host_;
    int port_;
    std::string scriptPath_;
    bool loggedIn_ = false;
    std::string account_, password_, hint_;
};

// The local address a ping reports: the first non-loopback IPv4 address, or
// "127.0.0.1" when there is none but the web host is on this machine (the
// embedded service); "0.0.0.0" when there is no network at all.
std::string PingAddress(const std::string& webHost);

}  // namespace sky
