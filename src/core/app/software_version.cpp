#include "core/app/software_version.h"

#include <vector>

#include "core/base/version.h"

namespace sky {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A number is kept as its digits without leading zeros, so any length compares.
struct Part {
    bool number;
    std::string value;
};

std::vector<Part> Parts(std::string_view text) {
    std::vector<Part> parts;
    for (size_t i = 0; i < text.size();) {
        if (IsDigit(text[i])) {
            size_t end = i;
            while (end < text.size() && IsDigit(text[end])) ++end;
            std::string_view digits = text.substr(i, end - i);
            while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
            parts.push_back({true, std::string(digits)});
            i = end;
        } else if (IsLetter(text[i])) {
            size_t end = i;
            std::string letters;
            while (end < text.size() && IsLetter(text[end])) letters += Upper(text[end++]);
            parts.push_back({false, letters});
            i = end;
        } else {
            ++i;
        }
    }
    return parts;
}

int ComparePart(const Part& a, const Part& b) {
    // A further number is a later release than a build letter.
    if (a.number != b.number) return a.number ? 1 : -1;
    if (a.number && a.value.size() != b.value.size()) return a.value.size() < b.value.size() ? -1 : 1;
    return a.value < b.value ? -1 : a.value > b.value ? 1 : 0;
}

}  // namespace

int SoftwareVersion::Compare(const SoftwareVersion& other) const {
    std::vector<Part> a = Parts(text), b = Parts(other.text);
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (int c = ComparePart(a[i], b[i])) return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::optional<SoftwareVersion> ParseSoftwareVersion(std::string_view answer) {
    std::string_view line = answer.substr(0, answer.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!line.empty() && (line.front() == 'v' || line.front() == 'V')) line.remove_prefix(1);
    if (line.empty() || line.size() > SoftwareVersion::kMaxText || !IsDigit(line.front()))
        return std::nullopt;
    for (char c : line)
        if (!IsDigit(c) && !IsLetter(c) && c != '.' && c != ' ' && c != '-') return std::nullopt;
    return SoftwareVersion{std::string(line)};
}

SoftwareVersion ProgramVersion() {
    // kVersionString is " (1.5 G)": the part inside the brackets.
    std::string_view text = kVersionString;
    size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {std::string(text)};
    return {std::string(text.substr(open + 1, close - open - 1))};
}

}  // namespace sky
