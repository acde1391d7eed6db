#include "core/service/registration.h"

#include <string_view>

#include "core/app/sky_reg_client.h"
#include "core/base/text_util.h"

namespace sky {

namespace {

constexpr size_t kAnswerSize = 2000;

// Matched as substrings of the lower-cased member name.
constexpr std::string_view kOffensiveWords[] = {"fuck", "shit", "cunt", "bitch", "asshole"};

bool AllowedChars(std::string_view text, bool spaces) {
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '-' || c == '_' || (spaces && c == ' ');
        if (!ok) return false;
    }
    return true;
}

}  // namespace

void NormaliseEntries(RegistrationEntries& e) {
    e.member = ToLower(Trim(e.member));
    e.password = ToLower(Trim(e.password));
    e.password2 = ToLower(Trim(e.password2));
    e.prompt = Trim(e.prompt);
    e.email = Trim(e.email);
    e.firstName = Trim(e.firstName);
    e.lastName = Trim(e.lastName);
}

std::string CheckEntries(const RegistrationEntries& e) {
    for (std::string_view word : kOffensiveWords)
        if (e.member.find(word) != std::string::npos) return "Sorry.  Invalid User Name.";
    if (e.member.starts_with("sky")) return "Sorry.  User names may not begin with 'Sky'.";
    if (e.member.empty()) return "You must supply a membership name";
    if (!AllowedChars(e.member, false))
        return "Invalid Member Name, may contain only letters, numbers, '.' or '-'";
    if (e.password.empty()) return "You must supply a password";
    if (e.password != e.password2) return "Your passwords do not match";
    if (e.prompt.empty()) return "You must supply a password prompt.";
    if (!AllowedChars(e.password, false))
        return "Invalid Password, may contain only letters, numbers, '.' or '-'";
    if (e.email.empty()) return "You must supply your E-Mail Address";
    if (e.email.find('@', 1) == std::string::npos) return "Invalid E-Mail Address";
    if (!AllowedChars(e.firstName, true)) return "Invalid characters in First Name";
    if (!AllowedChars(e.lastName, true)) return "Invalid characters in Last Name";
    return {};
}

std::string EncodeRegistrationValue(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            out += '+';
        } else if (c == '\'') {
            continue;
        } else if (c < 0x20 || c > 0x7E || std::string_view("&#%+=?").find(ch) != std::string_view::npos) {
            // Sent as typed these would end or change the query.
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string BuildRegistrationUrl(const std::string& webHost, const RegistrationEntries& e) {
    auto orNone = [](const std::string& v) { return v.empty() ? std::string("none") : v; };
    return "http://" + webHost + "/Scripts/SkyReg.dll?RegisterUser2" +
           "&Account=" + EncodeRegistrationValue(e.member) +
           "&Password=" + EncodeRegistrationValue(e.password) +
           "&PasswordPrompt=" + EncodeRegistrationValue(e.prompt) +
           "&Email=" + EncodeRegistrationValue(e.email) + "&Source=SKYB3" +
           "&fname=" + EncodeRegistrationValue(orNone(e.firstName)) +
           "&lname=" + EncodeRegistrationValue(orNone(e.lastName));
}

RegistrationOutcome ParseRegistrationAnswer(const std::string& body) {
    std::string_view head = std::string_view(body).substr(0, kAnswerSize);
    if (head.find("__OK__") != std::string_view::npos) return RegistrationOutcome::Ok;
    if (head.find("__TAKEN__") != std::string_view::npos) return RegistrationOutcome::Taken;
    if (head.find("__ERROR__") != std::string_view::npos) return RegistrationOutcome::Error;
    return RegistrationOutcome::Failed;
}

std::string RegistrationMessage(RegistrationOutcome outcome) {
    switch (outcome) {
        case RegistrationOutcome::Ok:
            return "Congrats... You are now a member\n\nYou'll be contacted soon with further information...";
        case RegistrationOutcome::Taken:
            return "Sorry, that name has already been taken";
        case RegistrationOutcome::Error:
            return "Sorry, we could not register your membership\n\nPlease try again.";
        case RegistrationOutcome::Failed:
            return "Sorry, member registration failed.\n\nPlease try again.";
        case RegistrationOutcome::Unreachable:
            return "Could not access server\n\nPlease Try Later";
    }
    return {};
}

RegistrationOutcome Register(const std::string& webHost, const RegistrationEntries& entries,
                             const std::atomic<bool>* cancel) {
    HttpGetResult got = HttpGet(BuildRegistrationUrl(webHost, entries), kAnswerSize, 20, cancel);
    if (got.code != 0) return RegistrationOutcome::Unreachable;
    return ParseRegistrationAnswer(got.body);
}

}  // namespace sky
