#include "core/addressbook/contact.h"

#include <array>
#include <functional>

#include "core/base/text_util.h"

namespace sky::addressbook {

namespace {

void PutU16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

class Reader {
public:
    explicit Reader(std::string_view d) : d_(d) {}
    bool U8(uint32_t* v) {
        if (d_.size() - pos_ < 1) return false;
        *v = uint8_t(d_[pos_++]);
        return true;
    }
    bool U16(uint32_t* v) {
        if (d_.size() - pos_ < 2) return false;
        *v = uint8_t(d_[pos_]) | uint32_t(uint8_t(d_[pos_ + 1])) << 8;
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t* v) {
        if (d_.size() - pos_ < 4) return false;
        *v = 0;
        for (int i = 0; i < 4; ++i) *v |= uint32_t(uint8_t(d_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool String(std::string* s) {
        uint32_t len = 0;
        if (!U8(&len)) return false;
        if (len == 0xFF) {
            if (!U16(&len)) return false;
            if (len == 0xFFFF && !U32(&len)) return false;
        }
        if (d_.size() - pos_ < len) return false;
        s->assign(d_.substr(pos_, len));
        pos_ += len;
        return true;
    }

    std::string_view Rest() const { return d_.substr(pos_); }

private:
    std::string_view d_;
    size_t pos_ = 0;
};

template <typename E, typename F>
void ForEachFirst(E& e, F&& f) {
    for (auto* s : {&e.firstName, &e.lastName, &e.middleName, &e.displayName, &e.nickname, &e.email,
                    &e.icqNumber, &e.memberId})
        f(*s);
}

template <typename E, typename F>
void ForEachSecond(E& e, F&& f) {
    for (auto* s : {&e.homeStreet,
                    &e.homeCellular,
                    &e.homeCity,
                    &e.homeCountry,
                    &e.homeFax,
                    &e.homePhone,
                    &e.homeState,
                    &e.personalWebPage,
                    &e.homePostalCode,
                    &e.otherEmails,
                    &e.businessStreet,
                    &e.businessCity,
                    &e.company,
                    &e.businessCountry,
                    &e.department,
                    &e.businessFax,
                    &e.jobTitle,
                    &e.office,
                    &e.pager,
                    &e.businessPhone,
                    &e.businessState,
                    &e.companyWebPage,
                    &e.businessPostalCode,
                    &e.notes})
        f(*s);
}

}  // namespace

void AppendStoredString(std::string& out, std::string_view s) {
    if (s.size() < 0xFF) {
        out.push_back(char(s.size()));
    } else if (s.size() < 0xFFFF) {
        out.push_back(char(0xFF));
        PutU16(out, uint16_t(s.size()));
    } else {
        out.push_back(char(0xFF));
        PutU16(out, 0xFFFF);
        PutU32(out, uint32_t(s.size()));
    }
    out.append(s);
}

std::string CABEntry::Serialize() const {
    std::string out;
    PutU32(out, magic);
    PutU32(out, version);
    if (version == kContactVersion) {
        ForEachFirst(*this, [&](const std::string& s) { AppendStoredString(out, s); });
        PutU32(out, word);
        ForEachSecond(*this, [&](const std::string& s) { AppendStoredString(out, s); });
    }
    out += unread;
    return out;
}

bool CABEntry::Parse(std::string_view data, CABEntry* out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    Reader r(data);
    CABEntry e;
    if (!r.U32(&e.magic) || e.magic != kContactMagic) return fail("not a contact file");
    if (!r.U32(&e.version)) return fail("contact file cut short");
    if (e.version == kContactVersion) {
        bool ok = true;
        ForEachFirst(e, [&](std::string& s) { ok = ok && r.String(&s); });
        ok = ok && r.U32(&e.word);
        ForEachSecond(e, [&](std::string& s) { ok = ok && r.String(&s); });
        if (!ok) return fail("contact file cut short");
    }
    e.unread = r.Rest();
    *out = std::move(e);
    return true;
}

std::string CABEntry::ItemText() const {
    if (!displayName.empty()) return displayName;
    std::string name = Trim(firstName + " " + lastName);
    if (!name.empty()) return name;
    if (!nickname.empty()) return nickname;
    return email;
}

std::string CABEntry::ChatAddress() const {
    // Any line of the notes may hold it.
    size_t start = 0;
    while (start <= notes.size()) {
        size_t end = notes.find('\n', start);
        if (end == std::string::npos) end = notes.size();
        std::string line = Trim(std::string_view(notes).substr(start, end - start));
        if (ToLower(line.substr(0, 5)) == "chat:") {
            std::string host = Trim(line.substr(5));
            if (!host.empty() && host.find_first_of(" \t/") == std::string::npos) return host;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace sky::addressbook
