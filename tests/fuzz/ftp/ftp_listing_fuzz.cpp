// Listings and dropped-address blocks come from servers and other programs.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ftp/ftp_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const sky::ftp::FtpEntry& e : sky::ftp::ParseListing(text)) {
        if (e.name.empty() || e.name == "." || e.name == "..") __builtin_trap();
        if (e.folder && e.size != 0) __builtin_trap();
        sky::ftp::IconOfName(e.name);
        sky::ftp::SafeLocalName(e.name);
    }
    auto addresses = sky::ftp::ParseRemoteFilesBlock(text);
    // What was read writes back to a block that reads the same.
    if (sky::ftp::ParseRemoteFilesBlock(sky::ftp::RemoteFilesBlock(addresses)) != addresses) __builtin_trap();
    return 0;
}
