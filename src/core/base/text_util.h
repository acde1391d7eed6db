#pragma once

#include <string>
#include <string_view>

namespace sky {

std::string ToLower(std::string_view s);
std::string Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
// & < > " ' as entities, for text put into a page.
std::string HtmlEscape(std::string_view text);

// printf-style formatting into a std::string, for the program's fixed texts.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace sky
