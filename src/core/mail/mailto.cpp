#include "core/mail/mailto.h"

#include <vector>

#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace sky {

namespace {

// Splits at commas outside double quotes ("Doe, Jane" <j@d.org> is one).
void AddAddresses(std::vector<std::string>* out, std::string_view list) {
    std::string piece;
    bool quoted = false;
    auto take = [&] {
        std::string t = Trim(piece);
        if (!t.empty()) out->push_back(t);
        piece.clear();
    };
    for (char c : list) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            take();
            continue;
        }
        piece += c;
    }
    take();
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

std::string PlainLines(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

MailtoFields ParseMailto(std::string_view url) {
    MailtoFields f;
    if (!StartsWithNoCase(url, "mailto:")) return f;
    url.remove_prefix(7);
    size_t q = url.find('?');
    std::vector<std::string> to, cc;
    // "+" is a plus sign in a mailto address, not a blank.
    AddAddresses(&to, PercentDecode(url.substr(0, q)));
    std::string_view query = q == std::string_view::npos ? std::string_view() : url.substr(q + 1);
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view item = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        size_t eq = item.find('=');
        std::string key = ToLower(PercentDecode(item.substr(0, eq)));
        std::string value = eq == std::string_view::npos ? std::string() : PercentDecode(item.substr(eq + 1));
        if (key == "to") {
            AddAddresses(&to, value);
        } else if (key == "cc") {
            AddAddresses(&cc, value);
        } else if (key == "subject") {
            f.subject = PlainLines(value);
            for (char& c : f.subject)
                if (c == '\n') c = ' ';
        } else if (key == "body") {
            f.body = PlainLines(value);
        }
    }
    f.to = Join(to);
    f.cc = Join(cc);
    return f;
}

}  // namespace sky
