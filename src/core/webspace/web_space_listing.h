#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sky::webspace {

// One line of a web-space listing reply.
struct WebSpaceFile {
    std::string name;
    bool folder = false;
    uint64_t size = 0;
    int64_t mtime = -1;  // seconds since 1970, read as local time; -1 when the stamp is not a time
};

// The text of a listing reply: a header line, then "YYYYMMDDhhmmss,size,kind,name"
// lines ended by CR LF, in reply order. A kind beginning with "2" is a folder.
// Lines with fewer than four fields or no name are dropped.
std::vector<WebSpaceFile> ParseWebSpaceListing(std::string_view text);

// Whether the page editor is offered for a file: ".htm" after the first character.
bool OffersPageEditor(std::string_view name);

// A name the member may give a file of the web space: one that can be listed
// and fetched back (no comma, no path separator, no control character).
bool ValidWebSpaceName(std::string_view name);

}  // namespace sky::webspace
