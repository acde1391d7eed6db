#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/mail_socket.h"

namespace sky {

inline constexpr const char* kMimeBoundary =
    "X-X-X-X-X-X-X-X-X--SkyHarbor-MIME-Attachment--X-X-X-X-X-X-X-X-X-X";
// The name SkyHarbor gives itself in HELO/EHLO.
inline constexpr const char* kGreetingDomain = "skyharbor.example.net";

// Every recipient address of an address list ("a@b, Name <c@d>; e@f"):
// bracketed addresses, else the first word of each entry.
std::vector<std::string> ExtractAddresses(std::string_view list);
// A header value with every CR and LF turned into a blank.
std::string HeaderSafe(std::string_view value);
// The body with bare line feeds made CR LF and a "." doubled at the start of
// every line; `atLineStart` carries across calls.
void DotStuff(std::string_view text, std::string* out, bool* atLineStart);
// "06 Dec 2026 17:05:09 UTC" in local time.
std::string SmtpDate();

struct SmtpAuth {
    MailSecurity security = MailSecurity::kNone;
    std::string user;  // empty: no AUTH
    std::string password;
    std::string caFile;
};

// The lower-cased capability lines of an EHLO reply, without their codes.
std::vector<std::string> ParseEhloCapabilities(std::string_view text);

// SMTP over MailSocket.
class SmtpClient : public MailSocket {
public:
    // Connect results: 0; 1 host not resolved; 2 no connection; 3 HELO/EHLO
    // refused; 4 TLS could not be set up (or STARTTLS is not offered); 5 AUTH
    // refused or not offered.
    int Connect(const ServerAddress& server, const std::string& domain, const SmtpAuth& auth = {});
    // The code of the next (possibly multi-line) reply; 1 when no line came,
    // or when the reply passed kMaxReplyBytes (the session is closed then and
    // lastError() says so).
    int ReadReply(int timeoutSeconds, std::string* text = nullptr);
    static constexpr size_t kMaxReplyBytes = 64 * 1024;
    // 0 sent; 1 To shorter than 3 characters or not connected; 2 no
    // address; 3 MAIL refused; 4 a RCPT refused; 5 DATA or the end refused;
    // 6 a piece of the message could not be sent.
    int SendMessage(const std::string& to, const std::string& cc, const std::string& from,
                    const std::string& subject, const std::string& body,
                    const std::vector<std::string>& attachmentPaths);
    // Says goodbye, waits for the server's answer and closes; true on a 2xx answer.
    bool Quit();

    std::vector<std::string> extraHeaders;
    // Recipients given to the server but named in no header.
    std::vector<std::string> blindCopies;
    // Gets the message as it goes out after DATA (dot-stuffed, as a stored
    // message holds it) up to the final "." line; `copyHeaders` (whole lines)
    // go to the copy only, after the other headers.
    std::function<void(std::string_view)> copy;
    std::vector<std::string> copyHeaders;
    // Called with the running byte count while an attachment goes out;
    // false stops the copy.
    std::function<bool(long)> progress;
    int replyTimeoutSeconds = 20;

    // The server's last reply, trimmed: what a user is shown when it refused.
    const std::string& lastReply() const { return lastReply_; }
    // The recipient the server refused (SendMessage gave 4).
    const std::string& refusedRecipient() const { return refused_; }

private:
    bool Flush(std::string* pending);
    std::string lastReply_;
    std::string refused_;
    bool teeing_ = false;
    bool SendAttachment(const std::string& path, std::string* pending);
    std::vector<std::string> capabilities_;
};

// Reply and forward.
std::string QuoteText(const std::string& subject, const std::string& sender, const std::string& date,
                      const std::string& text);
inline std::string ReplySubject(const std::string& s) {
    return "re: " + s;
}
inline std::string ForwardSubject(const std::string& s) {
    return "fw: " + s;
}

}  // namespace sky
