#include <cstdint>
#include <string>

#include "core/mail/smtp_client.h"
#include "loopback_peer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static LoopbackPeer peer;
    std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::string& cap : sky::ParseEhloCapabilities(input))
        for (char c : cap)
            if (c == '\n' || (c >= 'A' && c <= 'Z')) __builtin_trap();

    // The input as the whole of a server's side: greeting, EHLO reply with
    // its capabilities, AUTH answers.
    peer.Serve(input, [&] {
        sky::SmtpClient smtp;
        smtp.replyTimeoutSeconds = 5;
        smtp.Connect({"127.0.0.1", peer.port()}, "fuzz.example", {sky::MailSecurity::kNone, "u", "p", ""});
        smtp.Close();
    });
    // The same bytes as a run of replies.
    peer.Serve(input, [&] {
        sky::SmtpClient smtp;
        if (smtp.sky::MailSocket::Connect("127.0.0.1", peer.port()) != 0) __builtin_trap();
        std::string text;
        for (;;) {
            int code = smtp.ReadReply(5, &text);
            if (text.size() > sky::SmtpClient::kMaxReplyBytes || code < 0 || code > 999) __builtin_trap();
            if (code == 1 || !smtp.IsConnected()) break;
        }
        smtp.Close();
    });
    return 0;
}
