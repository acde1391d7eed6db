#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/base/url_codec.h"

namespace sky::member {

// "+" is a blank and "%XX" a byte; a "%" not followed by two hex digits stays.
using sky::FormDecode;

// The query of a request: the first word (the verb, e.g. "Ping") and the
// fields, whose names are matched without regard to case as the old IIS did.
struct Query {
    std::string verb;
    std::map<std::string, std::string> fields;  // lower-case names; the first of a name wins

    static Query Parse(std::string_view target);
    std::string Get(const std::string& name) const;
    bool Is(const char* word) const;
};

// A file name taken from a request may name only a file directly inside its
// folder: no "/", "\\", "..", NUL or control byte, no leading ".", at most 255 bytes.
bool SafeFileName(std::string_view name);

}  // namespace sky::member
