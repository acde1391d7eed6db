#pragma once

#include <string>
#include <string_view>

namespace sky {

// The fields of a "mailto:" address (RFC 6068): recipients joined by ", ",
// the subject on one line, the body with LF line ends.
struct MailtoFields {
    std::string to, cc, subject, body;
};
// Nothing for an address of another scheme.
MailtoFields ParseMailto(std::string_view url);

}  // namespace sky
