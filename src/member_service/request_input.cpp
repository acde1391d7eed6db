#include "member_service/request_input.h"

#include "core/base/text_util.h"

namespace sky::member {
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
