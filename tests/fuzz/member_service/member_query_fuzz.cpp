#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "member_service/request_input.h"

// Any request target parses; field names come out lower case; a value
// encoded every way the program or a browser may encode it decodes back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    sky::member::Query q = sky::member::Query::Parse(in);
    for (const auto& [name, value] : q.fields) {
        for (char c : name)
            if (c >= 'A' && c <= 'Z') __builtin_trap();
        if (value.size() > size) __builtin_trap();
    }
    if (in.find('?') == std::string_view::npos && (!q.verb.empty() || !q.fields.empty())) __builtin_trap();
    if (sky::member::FormDecode(in).size() > size) __builtin_trap();

    // Encode each byte by its position: escaped (upper or lower hex), a
    // blank as "+", or as itself when it needs no escape.
    static const char* hex[] = {"0123456789ABCDEF", "0123456789abcdef"};
    std::string encoded;
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = data[i];
        bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (c == ' ' && i % 2) {
            encoded += '+';
        } else if (plain && i % 3) {
            encoded += char(c);
        } else {
            encoded += '%';
            encoded += hex[i % 2][c >> 4];
            encoded += hex[i % 2][c & 15];
        }
    }
    if (sky::member::FormDecode(encoded) != in) __builtin_trap();
    q = sky::member::Query::Parse("/x?Verb&Name=" + encoded + "&name=second");
    if (q.verb != "Verb" || q.Get("name") != in || !q.Is("VERB")) __builtin_trap();
    return 0;
}
