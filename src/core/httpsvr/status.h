#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace sky::httpsvr {

inline constexpr const char kServerSoftware[] = "SkyHarbor-HttpServer/1.5";

// The status line text after the protocol word ("404 Not Found"); empty for
// codes the server never sends.
std::string StatusText(int code);

// "%a, %d %b %Y %H:%M:%S GMT" of `t` in UTC, with English names whatever the locale.
std::string HttpDate(std::time_t t);

// Reads the dates of HTTP/1.0 (RFC 1123, RFC 850 and asctime forms); nothing
// when the text does not yield a date.
std::optional<std::time_t> ParseHttpDate(std::string_view text);

// "HTTP/1.0 <status>", "Server" and "Date" lines, each ending in CR LF.
std::string StartResponse(std::string_view statusText);
// StartResponse of the code's text.
std::string StatusHead(int code);
// StatusHead plus the empty line: an error response has no body.
std::string ErrorHead(int code);

}  // namespace sky::httpsvr
