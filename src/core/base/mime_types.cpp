#include "core/base/mime_types.h"

#include <sstream>

#include "core/base/atomic_file.h"
#include "core/base/text_util.h"

namespace sky {

MimeTypes MimeTypes::Parse(std::string_view text) {
    MimeTypes table;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        auto hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string type, ext;
        if (!(words >> type) || type.find('/') == std::string::npos) continue;
        // The first file to name an extension wins, as in the system's own readers.
        while (words >> ext) table.byExt_.emplace(ToLower(ext), type);
    }
    return table;
}

MimeTypes MimeTypes::Load(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return {};
    return Parse(text);
}

const MimeTypes& MimeTypes::System() {
    static const MimeTypes table = Load();
    return table;
}

std::string MimeTypes::TypeFor(std::string_view ext) const {
    if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
    auto it = byExt_.find(ToLower(ext));
    return it == byExt_.end() ? std::string() : it->second;
}

std::string MimeTypeForExtension(std::string_view ext) {
    return MimeTypes::System().TypeFor(ext);
}

}  // namespace sky
