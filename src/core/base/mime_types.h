#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace sky {

// Extension (without the dot, lower case) to MIME type, as /etc/mime.types lists them.
class MimeTypes {
public:
    static MimeTypes Parse(std::string_view text);
    static MimeTypes Load(const std::string& path = "/etc/mime.types");
    // The system's table, read once.
    static const MimeTypes& System();

    // `ext` with or without its leading dot, any case; empty when unknown.
    std::string TypeFor(std::string_view ext) const;
    size_t size() const { return byExt_.size(); }

private:
    std::unordered_map<std::string, std::string> byExt_;
};

// MIME type of a file name's extension from the system table; empty when unknown.
std::string MimeTypeForExtension(std::string_view ext);

}  // namespace sky
