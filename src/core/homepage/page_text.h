#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the page formats.
namespace sky::homepage {

// The text between the first `open` and the first `close` after it; runs to the
// end when `close` is missing, empty when `open` is missing.
std::string Between(std::string_view text, std::string_view open, std::string_view close);

// Plain text for a page: & < > escaped. Quotes too when `attribute`.
std::string EscapeText(std::string_view text, bool attribute = false);
// Undoes EscapeText (and the numeric apostrophe the base escaper writes).
std::string UnescapeText(std::string_view html);

// A colour value after `key`: at most seven characters, ending early at a blank,
// '>' or a line break, so a short or missing value cannot swallow the next
// attribute on the next read.
std::string ColourAfter(std::string_view text, std::string_view key);

// "#%02X%02X%02X".
std::string ColourText(int red, int green, int blue);

// Decimal number the C way: optional blanks and sign, then digits; 0 when none,
// clamped to int.
int ParseNumber(std::string_view text);

}  // namespace sky::homepage
