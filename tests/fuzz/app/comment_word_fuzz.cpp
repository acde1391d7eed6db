#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/ad_box.h"
#include "core/app/comment_requests.h"
#include "core/base/url_codec.h"

// Input: a command word of a page's link; after the first NUL, text a reader
// typed into the dialogs; after the second, an address an ad leads to.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    size_t nul = in.find('\0');
    std::string_view word = in.substr(0, nul);
    std::string_view rest = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);
    size_t nul2 = rest.find('\0');
    std::string text(rest.substr(0, nul2));
    std::string_view address = nul2 == std::string_view::npos ? std::string_view() : rest.substr(nul2 + 1);

    auto command = sky::ParseCommentWord(word);
    if (command && word.rfind("comment", 0) != 0) __builtin_trap();

    sky::NewTopic topic{command ? command->number : 0, "guest", text, text};
    if (auto url = sky::AddTopicRequest("127.0.0.1:7780", topic)) {
        if (url->size() > sky::kAddTopicMaxUrl) __builtin_trap();
        // Whatever was typed travels escaped: nothing that ends or splits the query.
        if (url->find_first_of(" #\r\n") != std::string::npos) __builtin_trap();
        size_t at = url->rfind("&LDESC=");
        if (sky::FormDecode(std::string_view(*url).substr(at + 7)) != text) __builtin_trap();
    }
    sky::NewComment comment;
    comment.text = text;
    comment.linkUrl = std::string(address);
    if (auto url = sky::AddCommentRequest("h", comment))
        if (url->size() > sky::kAddCommentMaxUrl || url->find(' ') != std::string::npos) __builtin_trap();

    std::string host(text.substr(0, 64));
    if (sky::IsAdHostAddress(address, host)) {
        std::string lower(address.substr(0, 8));
        for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) __builtin_trap();
    }
    sky::AdNavigation nav = sky::ClassifyAdNavigation(address, "file:///tmp/x/skybox.htm");
    if (nav == sky::AdNavigation::OpenInMain && address.find(':') == std::string_view::npos) __builtin_trap();
    return 0;
}
