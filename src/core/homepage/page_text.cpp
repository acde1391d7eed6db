#include "core/homepage/page_text.h"

#include <climits>
#include <cstdio>

namespace sky::homepage {

std::string Between(std::string_view text, std::string_view open, std::string_view close) {
    size_t start = text.find(open);
    if (start == std::string_view::npos) return {};
    start += open.size();
    size_t end = text.find(close, start);
    if (end == std::string_view::npos) end = text.size();
    return std::string(text.substr(start, end - start));
}

std::string EscapeText(std::string_view text, bool attribute) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                if (attribute) {
                    out += "&quot;";
                    break;
                }
                [[fallthrough]];
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeText(std::string_view html) {
    static constexpr struct {
        std::string_view entity;
        char c;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    out.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        bool done = false;
        if (html[i] == '&') {
            for (const auto& e : kEntities) {
                if (html.substr(i, e.entity.size()) == e.entity) {
                    out += e.c;
                    i += e.entity.size();
                    done = true;
                    break;
                }
            }
        }
        if (!done) out += html[i++];
    }
    return out;
}

std::string ColourAfter(std::string_view text, std::string_view key) {
    size_t at = text.find(key);
    if (at == std::string_view::npos) return {};
    std::string_view rest = text.substr(at + key.size(), 7);
    size_t end = rest.find_first_of(" >\r\n");
    return std::string(rest.substr(0, end));
}

std::string ColourText(int red, int green, int blue) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", red & 0xFF, green & 0xFF, blue & 0xFF);
    return buf;
}

int ParseNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace sky::homepage
