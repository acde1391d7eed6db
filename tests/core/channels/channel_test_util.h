#pragma once

#include <string>

#include "core/channels/channel_list.h"

namespace sky::test {

// The tree in one line: channel{entry=url[page=url,...],...};...
inline std::string Dump(const CChannelList& list) {
    std::string out;
    for (const auto& ch : list.channels()) {
        out += ch->name + "{";
        for (size_t i = 0; i < ch->children.size(); ++i) {
            const auto& e = ch->children[i];
            out += (i ? "," : "") + e->name + "=" + e->url;
            if (e->children.empty()) continue;
            out += "[";
            for (size_t j = 0; j < e->children.size(); ++j)
                out += (j ? "," : "") + e->children[j]->name + "=" + e->children[j]->url;
            out += "]";
        }
        out += "};";
    }
    return out;
}

// Line-format bytes from "CH:A|FN:a|FU:b": each "|" is a line break and a "~".
inline std::string L(std::string_view compact) {
    std::string out = "\r\n~";
    for (char c : compact) out += c == '|' ? std::string("\r\n~") : std::string(1, c);
    return out;
}

inline std::string DumpParsed(std::string_view bytes) {
    CChannelList list;
    list.ParseLineFormat(bytes);
    return Dump(list);
}

}  // namespace sky::test
