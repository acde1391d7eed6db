#include "member_service/request_input.h"

#include <cctype>

#include "core/base/text_util.h"

namespace sky::member {
namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

std::string FormDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
            out += char(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

Query Query::Parse(std::string_view target) {
    Query q;
    size_t mark = target.find('?');
    if (mark == std::string_view::npos) return q;
    std::string_view rest = target.substr(mark + 1);
    bool first = true;
    while (true) {
        size_t amp = rest.find('&');
        std::string_view part = rest.substr(0, amp);
        size_t eq = part.find('=');
        if (eq == std::string_view::npos) {
            if (first) q.verb = FormDecode(part);
        } else {
            q.fields.emplace(ToLower(FormDecode(part.substr(0, eq))), FormDecode(part.substr(eq + 1)));
        }
        first = false;
        if (amp == std::string_view::npos) break;
        rest = rest.substr(amp + 1);
    }
    return q;
}

std::string Query::Get(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

bool Query::Is(const char* word) const {
    return EqualsNoCase(verb, word);
}

bool SafeFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name[0] == '.') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    return name.find("..") == std::string_view::npos;
}

}  // namespace sky::member
