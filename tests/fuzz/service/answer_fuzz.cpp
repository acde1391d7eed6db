#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/sky_reg_client.h"
#include "core/service/registration.h"

namespace {

bool UrlSafe(std::string_view url) {
    for (size_t i = 0; i < url.size(); ++i) {
        auto c = static_cast<unsigned char>(url[i]);
        if (c <= 0x20 || c > 0x7E || std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos)
            return false;
        if (c == '%' && (i + 2 >= url.size() || !std::isxdigit(static_cast<unsigned char>(url[i + 1])) ||
                         !std::isxdigit(static_cast<unsigned char>(url[i + 2]))))
            return false;
    }
    return true;
}

}  // namespace

// Whatever the service answers, the readers stay within their promises.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string body(reinterpret_cast<const char*>(data), size);

    if (auto fields = sky::ParsePingAnswer(body)) {
        for (const std::string& field : *fields) {
            if (field.find('#') != std::string::npos) __builtin_trap();
            sky::ServerLine line = sky::ParseServerLine(field);
            if (line.value < 0) __builtin_trap();
            if (line.kind == sky::ServerLineKind::Other && (line.value != 0 || !line.url.empty()))
                __builtin_trap();
            if (line.kind != sky::ServerLineKind::PingInterval && (line.value == 0) != line.url.empty())
                __builtin_trap();
        }
    }
    sky::ServerLine whole = sky::ParseServerLine(body);
    if (whole.value < 0) __builtin_trap();

    std::string hint;
    int login = sky::ParseLoginAnswer(body, &hint);
    if (login != 0 && login != -24 && login != -25 && login != -26) __builtin_trap();
    if (login == -24 && hint.find("__") != std::string::npos) __builtin_trap();

    // Only the first 2000 bytes count.
    if (sky::ParseRegistrationAnswer(body) != sky::ParseRegistrationAnswer(body.substr(0, 2000)))
        __builtin_trap();

    std::string url = sky::CanonicalizeUrl(body);
    if (!UrlSafe(url) || sky::CanonicalizeUrl(url) != url) __builtin_trap();

    std::string value = sky::EncodeRegistrationValue(body);
    if (value.find_first_of("&#=? '") != std::string::npos) __builtin_trap();
    return 0;
}
