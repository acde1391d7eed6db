#include "core/addressbook/vcard.h"

#include <cctype>

#include "core/base/text_util.h"

namespace sky::addressbook {

namespace {

std::string ToUpper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct Property {
    std::string name;                // upper case, group removed
    std::vector<std::string> types;  // lower case TYPE values
    std::string value;               // raw, still escaped
};

std::vector<std::string> UnfoldLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back().append(line.substr(1));
        else
            lines.emplace_back(line);
        pos = end + 1;
    }
    return lines;
}

// Splits on `sep` outside backslash escapes.
std::vector<std::string> SplitEscaped(std::string_view s, char sep) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            parts.back() += s[i];
            parts.back() += s[++i];
        } else if (s[i] == sep) {
            parts.emplace_back();
        } else {
            parts.back() += s[i];
        }
    }
    return parts;
}

std::string Unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += (c == 'n' || c == 'N') ? '\n' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

bool ParseProperty(const std::string& line, Property* p) {
    // The value starts at the first colon outside a quoted parameter.
    bool quoted = false;
    size_t colon = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string::npos) return false;
    p->value = line.substr(colon + 1);
    std::vector<std::string> head;
    {
        std::string cur;
        quoted = false;
        for (size_t i = 0; i < colon; ++i) {
            if (line[i] == '"') quoted = !quoted;
            if (line[i] == ';' && !quoted) {
                head.push_back(cur);
                cur.clear();
            } else {
                cur += line[i];
            }
        }
        head.push_back(cur);
    }
    std::string name = ToLower(head[0]);
    if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
    p->name = ToUpper(name);
    p->types.clear();
    for (size_t i = 1; i < head.size(); ++i) {
        std::string param = ToLower(head[i]);
        size_t eq = param.find('=');
        std::string values;
        if (eq == std::string::npos)
            values = param;  // 2.1 style: a bare type
        else if (param.substr(0, eq) == "type")
            values = param.substr(eq + 1);
        else
            continue;
        std::string v;
        for (char c : values + ",") {
            if (c == ',') {
                if (!v.empty()) p->types.push_back(v);
                v.clear();
            } else if (c != '"') {
                v += c;
            }
        }
    }
    return true;
}

bool Has(const Property& p, const char* type) {
    for (const auto& t : p.types)
        if (t == type) return true;
    return false;
}

std::string Part(const std::vector<std::string>& parts, size_t i) {
    return i < parts.size() ? Unescape(parts[i]) : std::string();
}

void Apply(const Property& p, CABEntry& e, std::vector<std::string>& emails) {
    const std::string& n = p.name;
    if (n == "N") {
        auto parts = SplitEscaped(p.value, ';');
        e.lastName = Part(parts, 0);
        e.firstName = Part(parts, 1);
        e.middleName = Part(parts, 2);
    } else if (n == "FN") {
        e.displayName = Unescape(p.value);
    } else if (n == "NICKNAME") {
        e.nickname = Part(SplitEscaped(p.value, ','), 0);
    } else if (n == "EMAIL") {
        std::string v = Unescape(p.value);
        if (v.rfind("mailto:", 0) == 0) v = v.substr(7);
        if (!v.empty()) emails.push_back(v);
    } else if (n == "TEL") {
        std::string v = Unescape(p.value);
        if (v.rfind("tel:", 0) == 0) v = v.substr(4);
        bool work = Has(p, "work");
        if (Has(p, "fax"))
            (work ? e.businessFax : e.homeFax) = v;
        else if (Has(p, "cell"))
            e.homeCellular = v;
        else if (Has(p, "pager"))
            e.pager = v;
        else if (work)
            e.businessPhone = v;
        else if (e.homePhone.empty())
            e.homePhone = v;
    } else if (n == "ADR") {
        auto parts = SplitEscaped(p.value, ';');
        bool work = Has(p, "work");
        (work ? e.businessStreet : e.homeStreet) = Part(parts, 2);
        (work ? e.businessCity : e.homeCity) = Part(parts, 3);
        (work ? e.businessState : e.homeState) = Part(parts, 4);
        (work ? e.businessPostalCode : e.homePostalCode) = Part(parts, 5);
        (work ? e.businessCountry : e.homeCountry) = Part(parts, 6);
        if (work && !Part(parts, 1).empty()) e.office = Part(parts, 1);
    } else if (n == "ORG") {
        auto parts = SplitEscaped(p.value, ';');
        e.company = Part(parts, 0);
        e.department = Part(parts, 1);
    } else if (n == "TITLE") {
        e.jobTitle = Unescape(p.value);
    } else if (n == "URL") {
        (Has(p, "work") ? e.companyWebPage : e.personalWebPage) = Unescape(p.value);
    } else if (n == "NOTE") {
        e.notes = Unescape(p.value);
    } else if (n == "X-SKYHARBOR-ID") {
        e.memberId = Unescape(p.value);
    } else if (n == "X-ICQ") {
        e.icqNumber = Unescape(p.value);
    }
}

std::string JoinList(const std::vector<std::string>& v, size_t from) {
    std::string out;
    for (size_t i = from; i < v.size(); ++i) out += (out.empty() ? "" : ", ") + v[i];
    return out;
}

void AppendFolded(std::string& out, const std::string& line) {
    // 75 bytes a line, never splitting a UTF-8 sequence.
    size_t pos = 0, limit = 75;
    while (line.size() - pos > limit) {
        size_t cut = pos + limit;
        while (cut > pos + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line, pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        limit = 74;
    }
    out.append(line, pos);
    out += "\r\n";
}

}  // namespace

std::vector<CABEntry> ParseVCards(std::string_view text) {
    std::vector<CABEntry> out;
    bool inCard = false;
    CABEntry card;
    std::vector<std::string> emails;
    for (const auto& line : UnfoldLines(text)) {
        Property p;
        if (!ParseProperty(line, &p)) continue;
        std::string value = ToLower(Trim(p.value));
        if (p.name == "BEGIN" && value == "vcard") {
            inCard = true;
            card = CABEntry{};
            emails.clear();
        } else if (p.name == "END" && value == "vcard" && inCard) {
            inCard = false;
            if (!emails.empty()) {
                card.email = emails[0];
                card.otherEmails = JoinList(emails, 1);
            }
            if (card.displayName.empty()) card.displayName = Trim(card.firstName + " " + card.lastName);
            if (card.displayName.empty())
                card.displayName = !card.nickname.empty() ? card.nickname : card.email;
            if (!card.displayName.empty()) out.push_back(std::move(card));
        } else if (inCard) {
            Apply(p, card, emails);
        }
    }
    return out;
}

std::string WriteVCards(const std::vector<CABEntry>& contacts, int version) {
    const bool v4 = version >= 4;
    auto type = [&](const char* t) { return std::string(";TYPE=") + (v4 ? t : ToUpper(t)); };
    std::string out;
    for (const auto& e : contacts) {
        if (e.isFolder) continue;
        auto add = [&](const std::string& l) { AppendFolded(out, l); };
        add("BEGIN:VCARD");
        add(v4 ? "VERSION:4.0" : "VERSION:3.0");
        add("FN:" + Escape(e.ItemText()));
        add("N:" + Escape(e.lastName) + ";" + Escape(e.firstName) + ";" + Escape(e.middleName) + ";;");
        if (!e.nickname.empty()) add("NICKNAME:" + Escape(e.nickname));
        std::vector<std::string> emails;
        if (!e.email.empty()) emails.push_back(e.email);
        for (auto& part : SplitEscaped(e.otherEmails, ','))
            if (std::string a = Trim(part); !a.empty()) emails.push_back(a);
        for (size_t i = 0; i < emails.size(); ++i)
            add(std::string("EMAIL") + (v4 ? "" : ";TYPE=INTERNET") +
                (i == 0 ? (v4 ? ";PREF=1" : ";TYPE=PREF") : "") + ":" + Escape(emails[i]));
        auto tel = [&](const std::string& v, const char* t1, const char* t2) {
            if (v.empty()) return;
            add("TEL" + type(t1) + (t2 ? type(t2) : "") + ":" + Escape(v));
        };
        tel(e.homePhone, "home", "voice");
        tel(e.homeCellular, "cell", nullptr);
        tel(e.homeFax, "home", "fax");
        tel(e.businessPhone, "work", "voice");
        tel(e.businessFax, "work", "fax");
        tel(e.pager, "pager", nullptr);
        if (!(e.homeStreet + e.homeCity + e.homeState + e.homePostalCode + e.homeCountry).empty())
            add("ADR" + type("home") + ":;;" + Escape(e.homeStreet) + ";" + Escape(e.homeCity) + ";" +
                Escape(e.homeState) + ";" + Escape(e.homePostalCode) + ";" + Escape(e.homeCountry));
        if (!(e.office + e.businessStreet + e.businessCity + e.businessState + e.businessPostalCode +
              e.businessCountry)
                 .empty())
            add("ADR" + type("work") + ":;" + Escape(e.office) + ";" + Escape(e.businessStreet) + ";" +
                Escape(e.businessCity) + ";" + Escape(e.businessState) + ";" + Escape(e.businessPostalCode) +
                ";" + Escape(e.businessCountry));
        if (!e.company.empty() || !e.department.empty())
            add("ORG:" + Escape(e.company) + (e.department.empty() ? "" : ";" + Escape(e.department)));
        if (!e.jobTitle.empty()) add("TITLE:" + Escape(e.jobTitle));
        if (!e.personalWebPage.empty()) add("URL" + type("home") + ":" + e.personalWebPage);
        if (!e.companyWebPage.empty()) add("URL" + type("work") + ":" + e.companyWebPage);
        if (!e.notes.empty()) add("NOTE:" + Escape(e.notes));
        if (!e.memberId.empty()) add("X-SKYHARBOR-ID:" + Escape(e.memberId));
        if (!e.icqNumber.empty()) add("X-ICQ:" + Escape(e.icqNumber));
        add("END:VCARD");
    }
    return out;
}

}  // namespace sky::addressbook
