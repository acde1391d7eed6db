#include <cstdint>
#include <string>
#include <string_view>

#include "core/mail/pop3_client.h"
#include "core/mail/smtp_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    long n = 0;
    if (sky::ParseStatReply(line, &n) == 0 && n < 0) __builtin_trap();
    if (sky::ParseListReply(line, &n) == 0 && n < 0) __builtin_trap();
    std::string tok;
    sky::MailSocket::Token(line, " ()", 2, &tok);
    for (const std::string& a : sky::ExtractAddresses(line))
        if (a.find_first_of("\r\n<> ") != std::string::npos) __builtin_trap();
    std::string out;
    bool start = true;
    sky::DotStuff(line, &out, &start);
    return 0;
}
