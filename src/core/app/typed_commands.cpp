#include "core/app/typed_commands.h"

#include <algorithm>

#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace sky {

namespace {
// A blank or control byte ends a host name; none can be part of one.
std::string FirstWord(const std::string& s) {
    auto end = std::find_if(s.begin(), s.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; });
    return std::string(s.begin(), end);
}
}  // namespace

TypedCommand ParseTypedAddress(std::string_view text, std::string_view webHost) {
    std::string copy = ToLower(Trim(text));
    auto begins = [&](std::string_view word) { return copy.rfind(word, 0) == 0; };
    std::string host(webHost);
    TypedCommand c;
    // A mail address to write to: the compose window, not a page.
    if (begins("mailto:")) {
        c.action = TypedAction::MailTo;
        c.address = Trim(text);
        return c;
    }
    if (begins("startchat")) {
        c.action = TypedAction::StartChat;
        c.host = copy.size() > 11 ? copy.substr(10) : std::string();
        // The host is one word: what follows a blank is not part of it.
        c.host = FirstWord(c.host);
        if (c.host.empty()) c.host = "127.0.0.1";
        return c;
    }
    if (begins("sendmessage")) {
        c.action = TypedAction::SendMessage;
        return c;
    }
    if (begins("sendfile")) {
        c.action = TypedAction::SendFile;
        return c;
    }
    // The member name goes into a path: escaped, so a blank or "?" stays part of the name.
    if (begins("go ")) {
        c.address = "http://" + host + "/~" + PathEncode(copy.size() > 3 ? copy.substr(3) : std::string());
        return c;
    }
    if (begins("finger ")) {
        c.address = "http://" + host + "/~" + PathEncode(copy.size() > 7 ? copy.substr(7) : std::string()) +
                    "/finger.htm";
        return c;
    }
    if (begins("post")) {
        c.action = TypedAction::Post;
        return c;
    }
    if (begins("skyftp")) {
        c.action = TypedAction::SkyFtp;
        return c;
    }
    if (begins("pageedit")) {
        c.action = TypedAction::PageEdit;
        return c;
    }
    if (begins("ftp upload")) {
        c.action = TypedAction::FtpUpload;
        return c;
    }
    if (begins("start server")) {
        c.action = TypedAction::StartServer;
        c.address = "http://" + host + "/chat";
        return c;
    }
    // As typed: not trimmed, not lower-cased.
    c.address = std::string(text);
    return c;
}

}  // namespace sky
