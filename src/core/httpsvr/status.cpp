#include "core/httpsvr/status.h"

#include <cctype>
#include <vector>

#include "core/base/text_util.h"

namespace sky::httpsvr {

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int DigitsValue(std::string_view s) {
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        if (n > 100000) break;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::string StatusText(int code) {
    switch (code) {
        case 200:
            return "200 OK";
        case 201:
            return "201 Created";
        case 202:
            return "202 Accepted";
        case 204:
            return "204 No Content";
        case 301:
            return "301 Moved Permanently";
        case 302:
            return "302 Redirection";
        case 304:
            return "304 Not Modified";
        case 400:
            return "400 Bad Request";
        case 401:
            return "401 Unauthorized";
        case 403:
            return "403 Forbidden";
        case 404:
            return "404 Not Found";
        case 500:
            return "500 Internal Server Error";
        case 501:
            return "501 Not Implemented";
        case 502:
            return "502 Bad Gateway";
        case 503:
            return "503 Service Unavailable";
        default:
            return {};
    }
}

std::string HttpDate(std::time_t t) {
    // Every response carries the date: the last one is kept per thread.
    thread_local std::time_t lastTime = -1;
    thread_local std::string lastText;
    if (t == lastTime) return lastText;
    std::tm tm{};
    gmtime_r(&t, &tm);
    auto two = [](std::string& out, int v) {
        out += static_cast<char>('0' + v / 10 % 10);
        out += static_cast<char>('0' + v % 10);
    };
    std::string out;
    out.reserve(29);
    out += kDays[tm.tm_wday % 7];
    out += ", ";
    two(out, tm.tm_mday);
    out += ' ';
    out += kMonths[tm.tm_mon % 12];
    out += ' ';
    int year = tm.tm_year + 1900;
    two(out, year / 100);
    two(out, year % 100);
    out += ' ';
    two(out, tm.tm_hour);
    out += ':';
    two(out, tm.tm_min);
    out += ':';
    two(out, tm.tm_sec);
    out += " GMT";
    lastTime = t;
    lastText = out;
    return out;
}

std::optional<std::time_t> ParseHttpDate(std::string_view text) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '-' || text[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < text.size() && !(text[i] == ' ' || text[i] == ',' || text[i] == '-' || text[i] == '\t'))
            ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
    for (std::string_view t : tokens) {
        if (t.find(':') != std::string_view::npos) {
            size_t c1 = t.find(':');
            size_t c2 = t.find(':', c1 + 1);
            hour = DigitsValue(t);
            minute = DigitsValue(t.substr(c1 + 1));
            if (c2 != std::string_view::npos) second = DigitsValue(t.substr(c2 + 1));
        } else if (std::isdigit(static_cast<unsigned char>(t[0]))) {
            if (day < 0) {
                day = DigitsValue(t);
            } else if (year < 0) {
                year = DigitsValue(t);
            }
        } else if (t.size() >= 3) {
            for (int m = 0; m < 12; ++m) {
                if (EqualsNoCase(t.substr(0, 3), kMonths[m])) month = m;
            }
        }
    }
    if (day < 1 || day > 31 || month < 0 || year < 0 || hour < 0 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    if (year < 100) year += year < 70 ? 2000 : 1900;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

std::string StartResponse(std::string_view statusText) {
    std::string out = "HTTP/1.0 ";
    out += statusText;
    out += "\r\nServer: ";
    out += kServerSoftware;
    out += "\r\nDate: ";
    out += HttpDate(std::time(nullptr));
    out += "\r\n";
    return out;
}

std::string StatusHead(int code) {
    return StartResponse(StatusText(code));
}

std::string ErrorHead(int code) {
    return StatusHead(code) + "\r\n";
}

}  // namespace sky::httpsvr
