#include "core/app/sky_reg_client.h"

#include <charconv>

#include "core/base/identity.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"
#include "core/net/http_client.h"

namespace sky {

namespace {

constexpr size_t kPingUrlMax = 1024;

bool MustEscape(unsigned char c) {
    if (c <= 0x20 || c > 0x7E) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

void AppendEscaped(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        // A "%" that starts no escape cannot stand alone either.
        bool lonePercent = c == '%' && !(i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
                                         HexDigitValue(text[i + 2]) >= 0);
        if (MustEscape(c) || lonePercent) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

// RFC 3986 remove_dot_segments.
std::string RemoveDotSegments(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.starts_with("../")) {
            in.remove_prefix(3);
        } else if (in.starts_with("./")) {
            in.remove_prefix(2);
        } else if (in.starts_with("/./")) {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.starts_with("/../") || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            size_t cut = out.rfind('/');
            out.resize(cut == std::string::npos ? 0 : cut);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            size_t next = in.find('/', 1);
            if (next == std::string_view::npos) next = in.size();
            out.append(in.substr(0, next));
            in.remove_prefix(next);
        }
    }
    return out;
}

// A decimal number of digits only; nullopt when there is none or it overflows.
std::optional<int> LeadingNumber(std::string_view text, size_t* used) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() || value < 0 || text[0] == '-') return std::nullopt;
    *used = static_cast<size_t>(end - text.data());
    return value;
}

}  // namespace

std::string CanonicalizeUrl(std::string_view url) {
    size_t pathStart = 0;
    size_t scheme = url.find("://");
    if (scheme != std::string_view::npos &&
        url.substr(0, scheme).find_first_of("/?#") == std::string_view::npos) {
        pathStart = url.find_first_of("/?#", scheme + 3);
        if (pathStart == std::string_view::npos) pathStart = url.size();
    }
    size_t pathEnd = url.find_first_of("?#", pathStart);
    if (pathEnd == std::string_view::npos) pathEnd = url.size();

    std::string out;
    out.reserve(url.size() * 3);
    AppendEscaped(out, url.substr(0, pathStart));
    std::string path;
    AppendEscaped(path, url.substr(pathStart, pathEnd - pathStart));
    out += RemoveDotSegments(path);
    AppendEscaped(out, url.substr(pathEnd));
    return out;
}

std::string BuildPingUrl(const PingRequest& r) {
    std::string account = r.account == "UNREGISTERED" ? "U" + r.cookie : r.account;
    std::string url = "http://" + r.host + "/Scripts/SkyReg.dll?Ping&Account=" + account +
                      "&InstallCookie=" + r.cookie + "&Action=" + r.action + "&Text=" + r.text +
                      "&URL=SKY&Ver=" + r.version + "&ie=" + r.engine + "&IP=" + r.ip +
                      "&LastStartupMsg=" + std::to_string(r.lastStartupMsg) +
                      "&LastBroadcast=" + std::to_string(r.lastBroadcast) +
                      "&LastBulletin=" + std::to_string(r.lastBulletin);
    if (url.size() > kPingUrlMax) url.resize(kPingUrlMax);
    return CanonicalizeUrl(url);
}

std::optional<std::vector<std::string>> ParsePingAnswer(std::string_view body) {
    if (!body.starts_with("PONG#")) return std::nullopt;
    body.remove_prefix(5);
    std::vector<std::string> fields;
    for (size_t end; (end = body.find('#')) != std::string_view::npos; body.remove_prefix(end + 1))
        fields.emplace_back(body.substr(0, end));
    return fields;
}

ServerLine ParseServerLine(std::string_view field) {
    static const struct {
        std::string_view word;
        ServerLineKind kind;
    } kWords[] = {
        {"PINGINTERVAL", ServerLineKind::PingInterval},
        {"STARTUPMSG", ServerLineKind::StartupMsg},
        {"BROADCAST", ServerLineKind::Broadcast},
        {"BULLETIN", ServerLineKind::Bulletin},
    };
    ServerLine line;
    for (const auto& w : kWords) {
        if (!field.starts_with(w.word)) continue;
        line.kind = w.kind;
        // One separator character of any kind follows the word and the serial.
        std::string_view rest = field.substr(std::min(field.size(), w.word.size() + 1));
        size_t used = 0;
        std::optional<int> number = LeadingNumber(rest, &used);
        if (!number) return line;
        if (w.kind == ServerLineKind::PingInterval) {
            line.value = *number;
            return line;
        }
        rest.remove_prefix(std::min(rest.size(), used + 1));
        // A message without a page has nothing to show.
        if (!rest.empty() && *number != 0) {
            line.value = *number;
            line.url = std::string(rest);
        }
        return line;
    }
    return line;
}

int ParseLoginAnswer(std::string_view body, std::string* hint) {
    if (body.find("__OK") != std::string_view::npos) return 0;
    constexpr std::string_view kBad = "__BADPASS__";
    size_t at = body.find(kBad);
    if (at == std::string_view::npos) return -26;
    std::string_view after = body.substr(at + kBad.size());
    size_t end = after.find("__");
    if (end == std::string_view::npos) return -25;
    if (hint) *hint = std::string(after.substr(0, end));
    return -24;
}

std::string BuildLoginUrl(const std::string& host, int port, const std::string& scriptPath,
                          const std::string& account, const std::string& password) {
    std::string_view script = scriptPath;
    if (script.starts_with('/')) script.remove_prefix(1);
    // Escaped, so a "&", "#" or "+" in a password cannot end or change the query.
    return "http://" + JoinHostPort(host, port) + "/" + std::string(script) +
           "?Login&Account=" + FormEncode(ToLower(Trim(account))) +
           "&Password=" + FormEncode(ToLower(Trim(password)));
}

HttpGetResult HttpGet(const std::string& url, size_t maxBytes, long timeoutSec,
                      const std::atomic<bool>* cancel) {
    HttpRequest request;
    request.url = url;
    request.maxRedirects = 5;
    request.connectTimeoutSec = timeoutSec;
    request.totalTimeoutSec = timeoutSec;
    request.stallTimeoutSec = 0;
    request.maxBytes = static_cast<long long>(maxBytes);
    request.cancel = cancel;
    HttpClient client;
    HttpGetResult r;
    HttpResult got = client.Fetch(request, &r.body);
    r.httpStatus = got.status;
    // Enough read: the rest of a long answer is not wanted.
    if (!got.ok() && got.outcome != HttpOutcome::LimitReached) {
        r.code = got.outcome == HttpOutcome::SetupError ? -18 : -20;
        r.error = got.error;
    } else if (r.httpStatus >= 400) {
        r.code = -20;
        r.error = "the server answered " + std::to_string(r.httpStatus);
    } else {
        r.code = 0;
    }
    return r;
}

CSkyRegClient::CSkyRegClient(std::string host, int port, std::string scriptPath)
    : host_(std::move(host)), port_(port), scriptPath_(std::move(scriptPath)) {
    // A host text that cannot be read is kept as given; the request then fails.
    if (auto split = ParseHostPort(host_, port_)) {
        host_ = split->host;
        port_ = split->port;
    }
}

int CSkyRegClient::Login(const std::string& account, const std::string& password,
                         const std::atomic<bool>* cancel) {
    std::string name = ToLower(Trim(account));
    std::string pass = ToLower(Trim(password));
    if (name.empty()) return -1;
    if (name != "sampleid") {
        HttpGetResult got =
            HttpGet(BuildLoginUrl(host_, port_, scriptPath_, name, pass), kAnswerSize, 20, cancel);
        if (got.code != 0) return got.code;
        int code = ParseLoginAnswer(got.body, &hint_);
        if (code != 0) return code;
    }
    loggedIn_ = true;
    account_ = name;
    password_ = pass;
    return 0;
}

std::string PingAddress(const std::string& webHost) {
    std::string ip = FirstIPv4Address();
    if (!ip.empty()) return ip;
    std::string host = ToLower(Trim(webHost));
    if (auto split = ParseHostPort(host, 0)) host = split->host;
    bool local =
        host == "localhost" || host.starts_with("127.") || host == "::1" || host == ToLower(ComputerName());
    return local ? "127.0.0.1" : "0.0.0.0";
}

}  // namespace sky
