#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/contact.h"

namespace sky::addressbook {

// The contacts of a vCard file (2.1, 3.0 or 4.0; one or many cards; folded
// lines; CRLF or LF). Cards without any name or address are left out.
std::vector<CABEntry> ParseVCards(std::string_view text);

// One card per contact, CRLF lines folded at 75 bytes. `version` is 3 or 4.
std::string WriteVCards(const std::vector<CABEntry>& contacts, int version = 3);

}  // namespace sky::addressbook
